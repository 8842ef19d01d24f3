#!/usr/bin/env bash
# Builds everything and runs every test: the portable core natively under
# AddressSanitizer and UBSan, then the Windows program under Wine in a
# private Xvfb. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
export MQ_ROOT=$PWD
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/deps.sh
rm -f build/native-tests.log build/windows-tests.log build/windows32-tests.log

cmake -S . -B build/native-asan -DMQ_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native-asan -j"$jobs"
ctest --test-dir build/native-asan --output-on-failure -j"$jobs" | tee build/native-tests.log

if [ -f ui/CMakeLists.txt ]; then
  cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/windows -j"$jobs"
  source scripts/wine-env.sh
  skip=()
  if [ "$MQ_WINDOWS_BUILD" != build/windows ]; then
    echo "This kernel does not run 32-bit programs (IA-32 emulation is off): the 32-bit" \
      "programs get their file checks, and the rest runs a 64-bit build under Wine."
    files='_imports$|_exports$|_manifest$'
    ctest --test-dir build/windows --output-on-failure -R "$files" | tee build/windows32-tests.log
    cmake -S . -B "$MQ_WINDOWS_BUILD" -DCMAKE_TOOLCHAIN_FILE="$MQ_WINDOWS_TOOLCHAIN" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$MQ_WINDOWS_BUILD" -j"$jobs"
    # The checks of XP's imports and of the manifest read 32-bit files only.
    skip=(-E '_xp_imports$|_manifest$')
  fi
  trap wine_env_stop EXIT
  wine_env_start --headless
  ctest --test-dir "$MQ_WINDOWS_BUILD" --output-on-failure "${skip[@]}" | tee build/windows-tests.log
  wine_env_stop
  trap - EXIT
fi

passed=0
failed=0
for log in build/native-tests.log build/windows32-tests.log build/windows-tests.log; do
  [ -f "$log" ] || continue
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
done
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
