// Painted pixels: tinted sprites, outline bars, blanked groups, and sprites
// read from files.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app.h"
#include "game/game_state.h"
#include "harness.h"
#include "resource.h"

namespace mqtest {
namespace {

constexpr COLORREF Outline = 0x000080;
constexpr COLORREF White = 0xFFFFFF;

// Pixels of a bitmap as GetPixel reads them, by (x, y).
class BitmapPixels {
 public:
  explicit BitmapPixels(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)), old_(SelectObject(dc_, bitmap)) {}
  ~BitmapPixels() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The grey resource of a built-in shape, freshly loaded and untinted.
HBITMAP GreyBitmap(int shape) { return LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(shape + 1)); }

// The reference rule: every pixel but pure white is ANDed with the colour.
COLORREF Tinted(COLORREF grey, int colour) {
  return grey == White ? White : grey & mq::ColourTable[colour - 1];
}

class RenderTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    mq::Game.GameSettings.Level = 3;
    LoadBoard({"161616", "616161", "161616", "616161", "223344", "223355"});
  }
  int P() const { return mq::Game.CellPitch; }
  int T() const { return mq::Game.TileSize; }
};

TEST_F(RenderTest, SpritesAreTheGreyBitmapAndedWithEachColour) {
  for (int shape = 0; shape < 4; ++shape) {
    RunCommand(IDM_SHAPE_RECTANGLE + shape);
    HBITMAP grey = GreyBitmap(shape);
    ASSERT_NE(grey, nullptr);
    {
      BitmapPixels reference(grey);
      int whites = 0;
      for (int colour = 1; colour <= 6; ++colour) {
        BitmapPixels sprite(static_cast<HBITMAP>(mq::GdiObjects[mq::FIRST_SPRITE + colour - 1]));
        int wrong = 0;
        for (int x = 0; x < T(); ++x) {
          for (int y = 0; y < T(); ++y) {
            const COLORREF g = reference.at(x, y);
            ASSERT_EQ(GetRValue(g), GetBValue(g)) << "the resource is grey";
            whites += colour == 1 && g == White;
            wrong += sprite.at(x, y) != Tinted(g, colour);
          }
        }
        EXPECT_EQ(wrong, 0) << "shape " << shape << " colour " << colour;
      }
      // Only the balls have background corners.
      if (shape < 2) {
        EXPECT_EQ(whites, 0) << "shape " << shape;
      } else {
        EXPECT_GT(whites, 0) << "shape " << shape;
      }
    }
    DeleteObject(grey);
  }
}

TEST_F(RenderTest, TilesShowTheirSprites) {
  HBITMAP grey = GreyBitmap(0);
  {
    BitmapPixels reference(grey);
    for (int c = 0; c < 6; ++c) {
      for (int r = 0; r < 6; ++r) {
        const int colour = mq::BoardAt(c, r);
        const int x = 3 + c * P();
        const int y = 3 + r * P();
        EXPECT_EQ(Pixel(x, y), Tinted(reference.at(0, 0), colour)) << c << "," << r;
        EXPECT_EQ(Pixel(x + 16, y + 16), Tinted(reference.at(16, 16), colour)) << c << "," << r;
        EXPECT_EQ(Pixel(x + T() - 1, y + T() - 1), Tinted(reference.at(T() - 1, T() - 1), colour))
            << c << "," << r;
        EXPECT_EQ(Pixel(x + T(), y + 5), GetSysColor(COLOR_WINDOW)) << "gap right of " << c << "," << r;
      }
    }
  }
  DeleteObject(grey);
}

TEST_F(RenderTest, LoneTileGetsFourBarsWithBareOuterCorners) {
  PressCell(2, 1);
  const int x0 = 2 * P();
  const int y0 = 1 * P();
  for (int i = 0; i < P(); ++i) {
    for (int k = 0; k < 2; ++k) {
      EXPECT_EQ(Pixel(x0 + T() + 3 + k, y0 + 2 + i), Outline) << "right bar " << i;
      EXPECT_EQ(Pixel(x0 + 1 + k, y0 + 2 + i), Outline) << "left bar " << i;
      EXPECT_EQ(Pixel(x0 + 2 + i, y0 + T() + 3 + k), Outline) << "bottom bar " << i;
      EXPECT_EQ(Pixel(x0 + 2 + i, y0 + 1 + k), Outline) << "top bar " << i;
    }
  }
  EXPECT_NE(Pixel(x0 + 1, y0 + 1), Outline);
  EXPECT_NE(Pixel(x0 + T() + 4, y0 + 1), Outline);
  EXPECT_NE(Pixel(x0 + 1, y0 + T() + 4), Outline);
  EXPECT_NE(Pixel(x0 + T() + 4, y0 + T() + 4), Outline);
  EXPECT_NE(Pixel(x0 + 3, y0 + 3), Outline) << "bars never touch the tile";
}

TEST_F(RenderTest, NeighboursInAGroupHaveNoBarBetweenThem) {
  PressCell(4, 4);  // the pair of colour 4
  const int gapX = 4 * P() + T() + 3;
  const int y = 4 * P() + 3 + T() / 2;
  EXPECT_EQ(Pixel(gapX, y), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(Pixel(5 * P() + T() + 3, y), Outline) << "right side of the pair";
  EXPECT_EQ(Pixel(4 * P() + 1, y), Outline) << "left side of the pair";
}

TEST_F(RenderTest, APressElsewhereErasesTheOldOutline) {
  PressCell(2, 1);
  Press(300, 300);
  const int x0 = 2 * P();
  const int y0 = 1 * P();
  for (int i = 0; i < P(); ++i) {
    EXPECT_EQ(Pixel(x0 + T() + 3, y0 + 2 + i), White);
    EXPECT_EQ(Pixel(x0 + 2 + i, y0 + 1), White);
  }
}

TEST_F(RenderTest, ReleasedGroupTurnsWhiteAndKeepsItsOutline) {
  PressCell(0, 4);
  ReleaseCell(0, 4);
  for (int c = 0; c < 2; ++c) {
    for (int r = 4; r < 6; ++r) {
      const int x = 3 + c * P();
      const int y = 3 + r * P();
      EXPECT_EQ(Pixel(x, y), White);
      EXPECT_EQ(Pixel(x + T() / 2, y + T() / 2), White);
      EXPECT_EQ(Pixel(x + T() - 1, y + T() - 1), White);
    }
  }
  EXPECT_EQ(Pixel(1, 4 * P() + 10), Outline);
  EXPECT_NE(Pixel(3 + 2 * P() + 5, 3 + 4 * P() + 5), White) << "the next group is untouched";
}

TEST_F(RenderTest, RemovalRepaintsFallenTilesAndEmptyCells) {
  RemoveGroupAt(0, 4);
  HBITMAP grey = GreyBitmap(0);
  {
    BitmapPixels reference(grey);
    EXPECT_EQ(Pixel(3 + 16, 3 + 16), GetSysColor(COLOR_WINDOW)) << "emptied cell";
    EXPECT_EQ(Pixel(3 + 16, 3 + 5 * P() + 16), Tinted(reference.at(16, 16), 6)) << "fallen tile";
    EXPECT_EQ(Pixel(3 + 16, 3 + 2 * P() + 16), Tinted(reference.at(16, 16), 1)) << "fallen tile";
  }
  DeleteObject(grey);
}

TEST_F(RenderTest, UndoneGroupIsOutlinedAgain) {
  RemoveGroupAt(0, 4);
  RunCommand(IDM_UNDO);
  EXPECT_EQ(Pixel(1, 4 * P() + 10), Outline);
}

// Solid-colour 24-bit bitmap files for the custom shape.
void WriteBall(int colour, int width, int height, COLORREF fill) {
  char name[16];
  std::snprintf(name, sizeof name, "Ball%d.bmp", colour);
  const int stride = (width * 3 + 3) & ~3;
  const int pixelBytes = stride * height;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + pixelBytes;
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  std::vector<unsigned char> rows(pixelBytes, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      unsigned char* p = &rows[y * stride + x * 3];
      p[0] = GetBValue(fill);
      p[1] = GetGValue(fill);
      p[2] = GetRValue(fill);
    }
  }
  FILE* out = std::fopen(TempPath(name).c_str(), "wb");
  std::fwrite(&file, sizeof file, 1, out);
  std::fwrite(&info, sizeof info, 1, out);
  std::fwrite(rows.data(), 1, rows.size(), out);
  std::fclose(out);
}

void RemoveBalls() {
  char name[16];
  for (int colour = 1; colour <= 6; ++colour) {
    std::snprintf(name, sizeof name, "Ball%d.bmp", colour);
    DeleteFileA(TempPath(name).c_str());
  }
}

class SpriteTest : public RenderTest {
 protected:
  void TearDown() override {
    RenderTest::TearDown();
    RemoveBalls();
  }
};

TEST_F(SpriteTest, FirstFileWidthSetsTheGeometry) {
  struct Case {
    int Width;
    int Pitch;
    int Tile;
  };
  const Case cases[] = {{40, 42, 40}, {64, 66, 64}, {65, 30, 28}, {10, 30, 28}, {11, 13, 11}};
  for (const Case& c : cases) {
    WriteBall(1, c.Width, c.Width, 0x204080);
    for (int colour = 2; colour <= 6; ++colour) WriteBall(colour, 20, 70, 0x102030);
    RunCommand(IDM_SHAPE_CUSTOM);
    EXPECT_EQ(mq::Game.CellPitch, c.Pitch) << "width " << c.Width;
    EXPECT_EQ(mq::Game.TileSize, c.Tile) << "width " << c.Width;
  }
}

TEST_F(SpriteTest, CustomSpritesAreUsedUntinted) {
  const COLORREF fills[] = {0x123456, 0x234567, 0x345678, 0x456789, 0x56789A, 0x6789AB};
  for (int colour = 1; colour <= 6; ++colour) WriteBall(colour, 24, 24, fills[colour - 1]);
  RunCommand(IDM_SHAPE_CUSTOM);
  ASSERT_EQ(T(), 24);
  for (int c = 0; c < 6; ++c) {
    const int colour = mq::BoardAt(c, 5);
    EXPECT_EQ(Pixel(3 + c * P() + 12, 3 + 5 * P() + 12), fills[colour - 1]) << "column " << c;
  }
}

TEST_F(SpriteTest, MissingOrSmallSpritesDrawFramedPlainTiles) {
  WriteBall(1, 30, 30, 0x112233);
  WriteBall(2, 20, 20, 0x445566);  // smaller than the tile
  // Ball3.bmp missing
  WriteBall(4, 30, 29, 0x778899);  // one row short
  WriteBall(5, 30, 30, 0x0A0B0C);
  // Ball6.bmp missing: its colour is the background's
  RunCommand(IDM_SHAPE_CUSTOM);
  ASSERT_EQ(T(), 30);
  constexpr COLORREF Frame = 0x404040;
  struct Cell {
    int Column;
    int Row;
    COLORREF Colour;
    COLORREF Edge;
  };
  const Cell cells[] = {{0, 4, mq::ColourTable[1], Frame}, {2, 4, mq::ColourTable[2], Frame},
                        {4, 4, mq::ColourTable[3], Frame}, {1, 0, White, Frame},
                        {4, 5, 0x0A0B0C, 0x0A0B0C},        {0, 0, 0x112233, 0x112233}};
  for (const Cell& cell : cells) {
    const int x = 3 + cell.Column * P();
    const int y = 3 + cell.Row * P();
    EXPECT_EQ(Pixel(x + T() / 2, y + T() / 2), cell.Colour) << cell.Column << "," << cell.Row;
    EXPECT_EQ(Pixel(x + 1, y + 1), cell.Colour) << cell.Column << "," << cell.Row;
    EXPECT_EQ(Pixel(x, y + T() / 2), cell.Edge) << cell.Column << "," << cell.Row;
    EXPECT_EQ(Pixel(x + T() - 1, y + T() - 1), cell.Edge) << cell.Column << "," << cell.Row;
  }
  // The game goes on as usual.
  RemoveGroupAt(2, 4);
  EXPECT_EQ(mq::Game.MoveCount, 1);
}

// The tint covers the whole tile, however large the bitmap: this one has
// more than 64 x 64 pixels.
TEST_F(SpriteTest, TintReachesEveryPixelOfTheLargestTile) {
  for (int colour = 1; colour <= 6; ++colour) WriteBall(colour, 64, 70, 0x909090);
  RunCommand(IDM_SHAPE_CUSTOM);
  ASSERT_EQ(T(), 64);
  HBITMAP sprite = static_cast<HBITMAP>(mq::GdiObjects[mq::FIRST_SPRITE]);
  mq::TintSprite(sprite, mq::ColourTable[2]);
  BitmapPixels pixels(sprite);
  int untinted = 0;
  for (int x = 0; x < 64; ++x) {
    for (int y = 0; y < 64; ++y) untinted += pixels.at(x, y) != 0x009000;
  }
  EXPECT_EQ(untinted, 0);
}

TEST_F(SpriteTest, NoFilesAtAllKeepTheDefaultGeometry) {
  RunCommand(IDM_SHAPE_CUSTOM);
  EXPECT_EQ(P(), 30);
  EXPECT_EQ(T(), 28);
  EXPECT_EQ(Pixel(3 + 10, 3 + 10), mq::ColourTable[0]);
  RunCommand(IDM_SHAPE_ELLIPSE);
  EXPECT_EQ(P(), 30);
  EXPECT_NE(mq::GdiObjects[mq::FIRST_SPRITE], nullptr);
}

}  // namespace
}  // namespace mqtest
