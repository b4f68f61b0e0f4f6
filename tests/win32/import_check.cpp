// Links the current build's DLL through its import library, as a Windows
// program including the public headers would, and runs under Wine in the
// DLL's directory.  Linking proves that every plain export's decorated name
// in the import library (Name@<argument bytes>) is the one the compiler asks
// for; the calls prove each binds to the intended export.
#include <cstdio>
#include <cstring>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "pixmill_decorated.hpp"

namespace {

int failures = 0;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "FAIL: %s\n", what);
        ++failures;
    }
}

}  // namespace

int main() {
    // Every plain export, taken by address: each needs its import symbol.
    const void* volatile plain[] = {
        reinterpret_cast<const void*>(static_cast<PmConvertBayerFunction>(&ConvertBayer2Rgb)),
        reinterpret_cast<const void*>(static_cast<PmConvertBayerFunction>(&ConvertBayer2RgbEx)),
        reinterpret_cast<const void*>(&PmGetConstantBlock),   reinterpret_cast<const void*>(&PmConvert),
        reinterpret_cast<const void*>(&Raw10PackedToRaw16),   reinterpret_cast<const void*>(&Raw12PackedToRaw16),
        reinterpret_cast<const void*>(&GetWhiteBalanceRatio), reinterpret_cast<const void*>(&SetGammaLut),
        reinterpret_cast<const void*>(&DetectDeadPixel),      reinterpret_cast<const void*>(&EraseDeadPixel),
        reinterpret_cast<const void*>(&SetBadPixelThreshold), reinterpret_cast<const void*>(&GetPatternNoise),
        reinterpret_cast<const void*>(&AvgPatternNoise),      reinterpret_cast<const void*>(&FixPatternNoise),
        reinterpret_cast<const void*>(&PmBrightness),         reinterpret_cast<const void*>(&PmContrast),
        reinterpret_cast<const void*>(&ROIColorCorrection),   reinterpret_cast<const void*>(&PmSharpen24B),
    };
    for (const void* p : plain) check(p != nullptr, "an import resolves to null");

    HMODULE module = GetModuleHandleA("pixmill.dll");
    check(module != nullptr, "pixmill.dll is not loaded");
    // The nameless ordinal 1, reached through the import library's name.
    auto byOrdinal = reinterpret_cast<const int32_t*(__stdcall*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(1))));
    check(byOrdinal != nullptr && PmGetConstantBlock() == byOrdinal(), "PmGetConstantBlock is not ordinal 1");

    // A double argument: 12 bytes of arguments.
    unsigned char table[256];
    SetGammaLut(table, 1.0);
    check(table[0] == 0 && table[128] == 128 && table[255] == 255, "SetGammaLut(1.0) is not the identity");

    // The decorated rotations turn the other way round in memory: the
    // decorated clockwise turn is the plain counter-clockwise one.
    unsigned char source[2][4] = {{1, 2, 3, 0}, {4, 5, 6, 0}};  // 3 x 2, rows padded to 4
    unsigned char plainTurn[3][4] = {}, decoratedTurn[3][4] = {};
    const uint8_t* src = &source[0][0];
    check(PmRotate90CCW8B(src, 3, 2, &plainTurn[0][0]) == 0, "plain PmRotate90CCW8B failed");
    check(PmRotate90CW8B(&source[0][0], 3, 2, &decoratedTurn[0][0]) == 0, "decorated PmRotate90CW8B failed");
    check(std::memcmp(plainTurn, decoratedTurn, sizeof plainTurn) == 0 && plainTurn[0][0] == 3,
          "the decorated clockwise turn is not the plain counter-clockwise one");
    unsigned char emphasised[3 * 4 * 3] = {}, copy[3 * 4 * 3] = {};
    check(PmEmphasize24B(copy, 3, 3, 1.0f, emphasised) == 0, "PmEmphasize24B failed on a flat image");

    std::printf("%s\n", failures == 0 ? "import library: all bound" : "import library: FAILED");
    return failures == 0 ? 0 : 1;
}
