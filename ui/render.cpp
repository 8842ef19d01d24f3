// Board painting straight onto the client area: one prepared sprite per tile
// colour, copied whole, and 2-pixel outline bars in the gaps between tiles.
#include <cstdio>
#include <memory>
#include <new>

#include "app.h"
#include "game/game_state.h"
#include "gdi_scope.h"

namespace mq {

const COLORREF ColourTable[12] = {
    0x0000FF, 0xFFFF00, 0x00FF00, 0x00FFFF, 0xFF00FF, 0xFFFFFF,
    0x808080, 0xFF80FF, 0x80FFFF, 0xD0D0D0, 0xFFFFFF, 0x000080,
};

HGDIOBJ GdiObjects[GDI_OBJECT_COUNT];

namespace {

// Width and height of each loaded sprite; a sprite smaller than a tile is
// never copied, since the copy would read past its edge.
SIZE SpriteSize[MAX_COLOURS];

SIZE BitmapSize(HGDIOBJ bitmap) {
  BITMAP description = {};
  if (!bitmap || !GetObjectA(bitmap, sizeof description, &description)) return {0, 0};
  return {description.bmWidth, description.bmHeight};
}

HBITMAP Sprite(int colour) { return static_cast<HBITMAP>(GdiObjects[FIRST_SPRITE + colour - 1]); }

}  // namespace

void CreateBrushes() {
  for (int i = 0; i < 12; ++i) GdiObjects[i] = CreateSolidBrush(ColourTable[i]);
}

void DeleteBrushes() {
  for (int i = 0; i < 12; ++i) {
    if (GdiObjects[i]) DeleteObject(GdiObjects[i]);
    GdiObjects[i] = nullptr;
  }
}

// The per-pixel AND of the grey with the colour, done on a 32-bit copy of the
// bitmap instead of one GetPixel and SetPixel per pixel.
void TintSprite(HBITMAP sprite, COLORREF colour) {
  SIZE size = BitmapSize(sprite);
  if (size.cx <= 0 || size.cy <= 0) return;
  std::unique_ptr<uint32_t[]> pixels(new (std::nothrow) uint32_t[static_cast<size_t>(size.cx) * size.cy]);
  if (!pixels) return;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  WindowDC screen(GetDesktopWindow());
  if (!GetDIBits(screen.get(), sprite, 0, static_cast<UINT>(size.cy), pixels.get(), &info, DIB_RGB_COLORS))
    return;
  // A DIB pixel is 0x00RRGGBB, a COLORREF 0x00BBGGRR.
  uint32_t mask = (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
  int width = size.cx < Game.TileSize ? size.cx : Game.TileSize;
  int height = size.cy < Game.TileSize ? size.cy : Game.TileSize;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t& p = pixels[static_cast<size_t>(y) * size.cx + x];
      uint32_t rgb = p & 0xFFFFFF;
      if (rgb != 0xFFFFFF) p = rgb & mask;
    }
  }
  SetDIBits(screen.get(), sprite, 0, static_cast<UINT>(size.cy), pixels.get(), &info, DIB_RGB_COLORS);
}

void LoadTileSprites() {
  const int shape = Game.GameSettings.Shape;
  for (int i = 0; i < MAX_COLOURS; ++i) {
    HANDLE sprite;
    if (shape == 4) {
      std::snprintf(TextBuffer, sizeof TextBuffer, "Ball%d.bmp", i + 1);
      sprite = LoadImageA(AppInstance, TextBuffer, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    } else {
      sprite = LoadBitmapA(AppInstance, MAKEINTRESOURCEA(shape + 1));
    }
    GdiObjects[FIRST_SPRITE + i] = sprite;
    SpriteSize[i] = BitmapSize(sprite);
  }
  Game.CellPitch = 30;
  Game.TileSize = 28;
  if (GdiObjects[FIRST_SPRITE]) {
    int width = SpriteSize[0].cx;
    if (width > 10 && width <= 64) {
      Game.CellPitch = width + 2;
      Game.TileSize = width;
    }
  }
  if (shape >= 4) return;
  for (int j = 0; j < MAX_COLOURS; ++j) {
    if (GdiObjects[FIRST_SPRITE + j]) TintSprite(Sprite(j + 1), ColourTable[j]);
  }
}

void DeleteTileSprites() {
  for (int i = 0; i < MAX_COLOURS; ++i) {
    HGDIOBJ& sprite = GdiObjects[FIRST_SPRITE + i];
    if (sprite) DeleteObject(sprite);
    sprite = nullptr;
    SpriteSize[i] = {0, 0};
  }
}

namespace {

bool HasUsableSprite(int colour) {
  const SIZE size = SpriteSize[colour - 1];
  return Sprite(colour) && size.cx >= Game.TileSize && size.cy >= Game.TileSize;
}

// A colour without a usable sprite (a missing or too small custom file) is
// drawn as a plain square of its colour in a dark frame: colour 6 is white,
// like the background, and would vanish without it.
void FillPlainTile(HDC dc, int x, int y, int colour) {
  const int t = Game.TileSize;
  RECT square = {x, y, x + t, y + t};
  FillRect(dc, &square, static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH)));
  RECT inside = {x + 1, y + 1, x + t - 1, y + t - 1};
  FillRect(dc, &inside, static_cast<HBRUSH>(GdiObjects[colour - 1]));
}

// The sprites of one pass over the board, each selected once into a memory
// DC of its own, so a tile is a single copy: making a DC, or selecting
// another bitmap into it, per tile costs thirty times the copy under Wine.
class SpriteDCs {
 public:
  explicit SpriteDCs(HDC dc) : dc_(dc) {}
  ~SpriteDCs() {
    for (int i = 0; i < MAX_COLOURS; ++i) {
      if (!memory_[i]) continue;
      SelectObject(memory_[i], original_[i]);
      DeleteDC(memory_[i]);
    }
  }
  SpriteDCs(const SpriteDCs&) = delete;
  SpriteDCs& operator=(const SpriteDCs&) = delete;

  // The DC holding the sprite of a colour, made at its first tile.
  HDC For(int colour) {
    HDC& memory = memory_[colour - 1];
    if (!memory && (memory = CreateCompatibleDC(dc_))) {
      original_[colour - 1] = SelectObject(memory, Sprite(colour));
    }
    return memory;
  }

 private:
  HDC dc_;
  HDC memory_[MAX_COLOURS] = {};
  HGDIOBJ original_[MAX_COLOURS] = {};
};

void DrawTile(HDC dc, SpriteDCs& sprites, int x, int y, int colour) {
  if (colour < 1 || colour > MAX_COLOURS) return;
  HDC source = HasUsableSprite(colour) ? sprites.For(colour) : nullptr;
  if (!source) {
    FillPlainTile(dc, x, y, colour);
    return;
  }
  BitBlt(dc, x, y, Game.TileSize, Game.TileSize, source, 0, 0, SRCCOPY);
}

}  // namespace

void DrawBoard(HDC dc, int flags) {
  WindowDC own(dc ? nullptr : BoardWindow());
  if (!dc) dc = own.get();
  if (!dc) return;
  const int p = Game.CellPitch;
  const int t = Game.TileSize;
  const int columns = Game.ActiveColumns < MAX_BOARD_DIM ? Game.ActiveColumns : MAX_BOARD_DIM;
  const int rows = Game.ActiveRows < MAX_BOARD_DIM ? Game.ActiveRows : MAX_BOARD_DIM;
  const bool outlines = flags & (DRAW_ERASE_OUTLINES | DRAW_OUTLINES);
  const DWORD barRop = (flags & DRAW_OUTLINES) ? PATCOPY : WHITENESS;
  SelectScope brush(dc, outlines ? GdiObjects[OUTLINE_BRUSH] : nullptr);
  SpriteDCs sprites(dc);
  for (int c = 0; c < columns; ++c) {
    for (int r = 0; r < rows; ++r) {
      const int tile = BoardAt(c, r);
      const int mark = MarkAt(c, r);
      if ((flags & DRAW_TILES) && tile) DrawTile(dc, sprites, c * p + 3, r * p + 3, tile);
      if (outlines && mark) {
        if (mark & MARK_EDGE_RIGHT) PatBlt(dc, c * p + t + 3, r * p + 2, 2, p, barRop);
        if (mark & MARK_EDGE_LEFT) PatBlt(dc, c * p + 1, r * p + 2, 2, p, barRop);
        if (mark & MARK_EDGE_BOTTOM) PatBlt(dc, c * p + 2, r * p + t + 3, p, 2, barRop);
        if (mark & MARK_EDGE_TOP) PatBlt(dc, c * p + 2, r * p + 1, p, 2, barRop);
      }
      if ((flags & DRAW_BLANK_MARKED) && mark) PatBlt(dc, c * p + 3, r * p + 3, t, t, WHITENESS);
    }
  }
}

}  // namespace mq
