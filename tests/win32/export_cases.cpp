// Runs every export of one build on fixed inputs and keeps each export's
// outputs (results and written bytes, in call order) as one byte string.
//
// Built twice from this one source:
// - natively, as pixmill_reference_outputs LIBRARY EXPORTS OUTDIR: loads the
//   Linux library, takes its export list from builds/<version>/exports.def and
//   writes OUTDIR/<export>.bin;
// - cross-compiled, as pixmill_dll_check.exe EXPORTS REFDIR, run under Wine in
//   the DLL's directory: loads pixmill.dll by name, checks its export table
//   against EXPORTS (lines "ordinal name", "-" for no name) and its imports,
//   calls every export through a pointer of its exact type (callee-cleans or,
//   for the C++ ones, caller-cleans) while checking the stack pointer,
//   counts the debugger messages of each export, and compares each export's
//   outputs with REFDIR/<export>.bin byte for byte.
// The inputs come from fixed seeds, and the calls are made in the same order
// on both, so the process-wide state (smoothing flag, threshold) agrees.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "pixmill.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

int failures = 0;

void fail(const std::string& what) {
    std::fprintf(stderr, "FAIL: %s\n", what.c_str());
    ++failures;
}

// ---- Calls through pointers of the exact exported type ---------------------

using DecoratedRotate = int(PIXMILL_CDECL*)(unsigned char*, int, int, unsigned char*);
using DecoratedSharpen = int(PIXMILL_CDECL*)(unsigned char*, int, int, float, unsigned char*);

// On 32-bit x86 a callee-cleans export removes its arguments itself; had it
// been built caller-cleans the stack pointer would stay lower by the size of
// the arguments after every call, and a caller-cleans export built
// callee-cleans would leave it higher.  The pointer is read around each call.
#if defined(_WIN32) && defined(__i386__)
#define PM_READ_SP(v) asm volatile("mov %%esp, %0" : "=r"(v))
#else
#define PM_READ_SP(v) (v = 0)
#endif
std::intptr_t stackImbalance = 0;
#define BALANCED(statement)                                                             \
    do {                                                                                \
        std::uintptr_t spBefore_, spAfter_;                                             \
        PM_READ_SP(spBefore_);                                                          \
        statement;                                                                      \
        PM_READ_SP(spAfter_);                                                           \
        if (spBefore_ != spAfter_) stackImbalance = std::intptr_t(spBefore_ - spAfter_); \
    } while (0)

// The debugger messages an export's calls should send: "Hello, Edge
// Sensing!" once per accepted code-4 conversion, times `announcements` (0
// for a build whose gradient method is silent).  Only the Windows program
// counts what was sent.
long expectedMessages = 0;
int announcements = 1;

// ---- Inputs -----------------------------------------------------------------

struct Random {
    std::uint32_t state;
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    std::vector<std::uint8_t> bytes(std::size_t n) {
        std::vector<std::uint8_t> v(n);
        for (auto& b : v) b = static_cast<std::uint8_t>(next());
        return v;
    }
};

// One export's outputs in call order.
struct Output {
    std::string bytes;
    template <class T>
    void add(const T* p, std::size_t n) {
        bytes.append(reinterpret_cast<const char*>(p), n * sizeof(T));
    }
    template <class T>
    void add(const std::vector<T>& v) { add(v.data(), v.size()); }
    template <class T>
    void value(T v) { add(&v, 1); }
};


// ---- The cases, one per export ---------------------------------------------

template <class F>
F as(void* p) {
    F f;
    std::memcpy(&f, &p, sizeof f);
    return f;
}

// Every method on frames from the smallest (4 and 6, where methods take
// the nearest computed pixels) to widths past 64 and 128 (the Linux
// library's vector blocks then run whole blocks and a remainder; the DLLs
// have scalar code only), through tables and through null ones (identity,
// or refused by 1.1.2.0), in each layout and an unknown one, both ways up;
// an odd width is refused.
void runConvert(void* fn, Output& out, int methods) {
    auto f = as<PmConvertBayerFunction>(fn);
    Random r{11};
    auto red = r.bytes(256), green = r.bytes(256), blue = r.bytes(256);
    struct Frame {
        int w, h;
        bool tables;
    };
    for (auto [w, h, tables] : {Frame{40, 30, true}, Frame{4, 4, true}, Frame{6, 8, true}, Frame{70, 10, true},
                                Frame{134, 6, true}, Frame{40, 30, false}, Frame{134, 6, false},
                                Frame{37, 23, true}}) {
        auto src = r.bytes(std::size_t(w) * h);
        for (int method = 0; method < methods; ++method)
            for (int layout = 0; layout <= 4; ++layout)
                for (int flip = 0; flip <= 1; ++flip) {
                    std::vector<std::uint8_t> dest(std::size_t(w) * h * 3, 0xA5);
                    int32_t result;
                    BALANCED(result = f(dest.data(), src.data(), w, h, method, tables ? red.data() : nullptr,
                                        tables ? green.data() : nullptr, tables ? blue.data() : nullptr, flip,
                                        layout));
                    if (method == 4 && result == 1) expectedMessages += announcements;
                    out.value(result);
                    out.add(dest);
                }
    }
}

void runConstantBlock(void* fn, Output& out) {
    auto f = as<decltype(&PmGetConstantBlock)>(fn);
    const int32_t* a;
    const int32_t* b;
    BALANCED(a = f());
    BALANCED(b = f());
    out.value(std::uint8_t(a == b));
    out.add(a, 11);
}

void runRecordEntry(void* fn, Output& out) {
    auto f = as<decltype(&PmConvert)>(fn);
    Random r{23};
    // 16-bit rows past 64 pixels run in the Linux library's vector blocks.
    for (auto [w, h] : {std::pair{40, 30}, std::pair{72, 6}}) {
        const int n = w * h;
        auto src8 = r.bytes(n);
        std::vector<std::uint16_t> src16(n);
        for (auto& s : src16) s = static_cast<std::uint16_t>(r.next() & 0xFFF);
        for (int srcFormat : {0, 5})
            for (int destFormat : {0, 1})
                for (int layout = 0; layout <= 3; ++layout)
                    for (int flip = 0; flip <= 1; ++flip) {
                        const std::size_t count = std::size_t(n) * (destFormat == 0 ? 1 : 3);
                        std::vector<std::uint16_t> dest16(count, 0xA5A5);
                        std::vector<std::uint8_t> dest8(count, 0xA5);
                        PmConvertRecord record{};
                        record.dest = srcFormat == 5 ? static_cast<void*>(dest16.data()) : dest8.data();
                        record.destFormat = destFormat;
                        record.src = srcFormat == 5 ? static_cast<const void*>(src16.data()) : src8.data();
                        record.srcFormat = srcFormat;
                        record.layout = layout;
                        record.width = w;
                        record.height = h;
                        record.method = 7;
                        record.flip = flip;
                        int32_t result;
                        BALANCED(result = f(0, &record, 0));
                        out.value(result);
                        if (srcFormat == 5) out.add(dest16); else out.add(dest8);
                    }
    }
    const int w = 40, h = 30, n = w * h;
    for (int format : {4, 6}) {
        std::vector<std::uint16_t> image16(std::size_t(n) * 3);
        for (auto& s : image16) s = static_cast<std::uint16_t>(r.next());
        auto image8 = r.bytes(std::size_t(n) * 3);
        double ratios[3] = {-1, -1, -1};
        PmWhiteBalanceRecord record{};
        record.image = format == 6 ? static_cast<const void*>(image16.data()) : image8.data();
        record.format = format;
        record.width = w;
        record.height = h;
        record.redRatio = &ratios[0];
        record.greenRatio = &ratios[1];
        record.blueRatio = &ratios[2];
        int32_t result;
        BALANCED(result = f(1, &record, 0));
        out.value(result);
        out.add(ratios, 3);
    }
}

void runUnpack(void* fn, Output& out) {
    auto f = as<decltype(&Raw10PackedToRaw16)>(fn);
    Random r{31};
    for (auto [w, h] : {std::pair{37, 5}, std::pair{16, 3}}) {
        auto packed = r.bytes(std::size_t(w) * h * 2 + 8);
        std::vector<std::uint16_t> unpacked(std::size_t(w) * h, 0xA5A5);
        BALANCED(f(packed.data(), unpacked.data(), w, h));
        out.add(unpacked);
    }
}

void runWhiteBalance(void* fn, Output& out) {
    auto f = as<decltype(&GetWhiteBalanceRatio)>(fn);
    Random r{41};
    for (auto [w, h] : {std::pair{40, 30}, std::pair{9, 7}, std::pair{4, 4}, std::pair{3, 9}}) {
        std::vector<std::uint8_t> image(std::size_t(w) * h * 3);
        // Channels of different means, so the ratios are not all 1.
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<std::uint8_t>(r.next() % (60 + 60 * (i % 3)));
        double ratios[3] = {-1, -1, -1};
        int32_t result;
        BALANCED(result = f(image.data(), w, h, &ratios[0], &ratios[1], &ratios[2]));
        out.value(result);
        out.add(ratios, 3);
    }
}

void runGamma(void* fn, Output& out) {
    auto f = as<decltype(&SetGammaLut)>(fn);
    for (double gamma : {0.05, 0.1, 0.45, 1.0, 1.8, 2.2, 3.7, 10.0, 12.0, std::nan("")}) {
        std::vector<std::uint8_t> table(256, 0xA5);
        BALANCED(f(table.data(), gamma));
        out.add(table);
    }
}

void runThreshold(void* fn, Output& out) {
    auto f = as<decltype(&SetBadPixelThreshold)>(fn);
    for (int t : {-3, 0, 40, 300, 10}) {
        int32_t result;
        BALANCED(result = f(t));
        out.value(result);
    }
}

void runDetect(void* fn, Output& out) {
    auto f = as<decltype(&DetectDeadPixel)>(fn);
    Random r{53};
    auto frame = r.bytes(40 * 30);
    std::vector<std::uint8_t> map(frame.size(), 0xA5);
    BALANCED(f(frame.data(), map.data(), 40, 30));
    out.add(map);
}

void runErase(void* fn, Output& out) {
    auto f = as<decltype(&EraseDeadPixel)>(fn);
    Random r{59};
    std::vector<std::uint8_t> map(40 * 30);
    for (auto& m : map) m = r.next() % 7 == 0;
    auto frame = r.bytes(30 * 20);
    BALANCED(f(frame.data(), map.data(), 2, 3, 30, 20, 40, 30));
    out.add(frame);
}

std::vector<int32_t> noiseFrames(Output* out, void* getNoise) {
    auto f = as<decltype(&GetPatternNoise)>(getNoise);
    Random r{61};
    std::vector<int32_t> accumulator(40 * 30, 0);
    for (int i = 0; i < 3; ++i) {
        auto frame = r.bytes(40 * 30);
        BALANCED(f(frame.data(), accumulator.data(), 40, 30));
    }
    if (out) out->add(accumulator);
    return accumulator;
}

void runAverage(void* fn, Output& out) {
    auto f = as<decltype(&AvgPatternNoise)>(fn);
    Random r{67};
    std::vector<int32_t> accumulator(40 * 30);
    for (auto& a : accumulator) a = static_cast<int32_t>(r.next()) - (1 << 23);
    BALANCED(f(accumulator.data(), 40, 30, 3));
    out.add(accumulator);
}

void runFixNoise(void* fn, Output& out) {
    auto f = as<decltype(&FixPatternNoise)>(fn);
    Random r{71};
    std::vector<int32_t> accumulator(40 * 30);
    for (auto& a : accumulator) a = static_cast<int32_t>(r.next() % 61) - 30;
    auto frame = r.bytes(30 * 20);
    BALANCED(f(frame.data(), accumulator.data(), 5, 4, 30, 20, 40, 30));
    out.add(frame);
}

void runCurve(void* fn, Output& out, std::initializer_list<int> amounts) {
    auto f = as<decltype(&PmBrightness)>(fn);
    std::vector<std::uint8_t> source(256);
    for (int i = 0; i < 256; ++i) source[std::size_t(i)] = static_cast<std::uint8_t>(i);
    for (int amount : amounts) {
        std::vector<std::uint8_t> dest(256, 0xA5);
        int32_t result;
        BALANCED(result = f(source.data(), 256, amount, dest.data()));
        out.value(result);
        out.add(dest);
    }
}

std::size_t paddedRow(int bytes) { return (std::size_t(bytes) + 3) / 4 * 4; }

void runRotate(void* fn, Output& out, bool decorated) {
    Random r{73};
    for (auto [w, h] : {std::pair{7, 5}, std::pair{13, 4}}) {
        auto src = r.bytes(paddedRow(w) * h);
        std::vector<std::uint8_t> dest(paddedRow(h) * w, 0xA5);
        int32_t result;
        if (decorated) BALANCED(result = as<DecoratedRotate>(fn)(src.data(), w, h, dest.data()));
        else BALANCED(result = as<decltype(&PmRotate90CW8B)>(fn)(src.data(), w, h, dest.data()));
        out.value(result);
        out.add(dest);
    }
}

void runSharpen(void* fn, Output& out, bool decorated) {
    Random r{79};
    const std::vector<float> amounts =
        decorated ? std::vector<float>{-0.8f, 2.5f, 7.0f} : std::vector<float>{0.5f, 1.7f, 5.0f, 0.0f};
    // Also past 64 pixels, where the Linux library sharpens in vector blocks.
    for (auto [w, h] : {std::pair{11, 7}, std::pair{70, 5}}) {
        auto src = r.bytes(paddedRow(3 * w) * h);
        for (float amount : amounts) {
            std::vector<std::uint8_t> dest(src.size(), 0xA5);
            int32_t result;
            if (decorated) BALANCED(result = as<DecoratedSharpen>(fn)(src.data(), w, h, amount, dest.data()));
            else BALANCED(result = as<decltype(&PmSharpen24B)>(fn)(src.data(), w, h, amount, dest.data()));
            out.value(result);
            out.add(dest);
        }
    }
}

void runColourCorrection(void* fn, Output& out) {
    auto f = as<decltype(&ROIColorCorrection)>(fn);
    Random r{83};
    auto image = r.bytes(20 * 12 * 3);
    BALANCED(f(image.data(), 3, 2, 10, 7, 20, 0));
    BALANCED(f(image.data(), -4, 9, 30, 3, 20, 0));
    // Clipped at the right edge from a width whose end passes 2^31.
    BALANCED(f(image.data(), 5, 11, 2147483647, 1, 20, 0));
    out.add(image);
}

// Runs the export named by `key`; false when this program knows no case.
bool run(const std::string& key, void* fn, Output& out) {
    static const std::map<std::string, std::function<void(void*, Output&)>> cases = {
        {"ConvertBayer2Rgb", [](void* f, Output& o) { runConvert(f, o, 10); }},
        {"ConvertBayer2RgbEx", [](void* f, Output& o) { runConvert(f, o, 7); }},
        {"PmGetConstantBlock", runConstantBlock},
        {"PmConvert", runRecordEntry},
        {"Raw10PackedToRaw16", runUnpack},
        {"Raw12PackedToRaw16", runUnpack},
        {"GetWhiteBalanceRatio", runWhiteBalance},
        {"SetGammaLut", runGamma},
        {"SetBadPixelThreshold", runThreshold},
        {"DetectDeadPixel", runDetect},
        {"EraseDeadPixel", runErase},
        {"AvgPatternNoise", runAverage},
        {"FixPatternNoise", runFixNoise},
        {"PmBrightness", [](void* f, Output& o) { runCurve(f, o, {-151, -150, -37, 0, 55, 150}); }},
        {"PmContrast", [](void* f, Output& o) { runCurve(f, o, {-51, -50, -17, 0, 33, 100, 101}); }},
        {"PmRotate90CW8B", [](void* f, Output& o) { runRotate(f, o, false); }},
        {"PmRotate90CCW8B", [](void* f, Output& o) { runRotate(f, o, false); }},
        {"PmRotate90CW8B+", [](void* f, Output& o) { runRotate(f, o, true); }},
        {"PmRotate90CCW8B+", [](void* f, Output& o) { runRotate(f, o, true); }},
        {"PmSharpen24B", [](void* f, Output& o) { runSharpen(f, o, false); }},
        {"PmEmphasize24B+", [](void* f, Output& o) { runSharpen(f, o, true); }},
        {"ROIColorCorrection", runColourCorrection},
    };
    if (key == "GetPatternNoise") {
        noiseFrames(&out, fn);
        return true;
    }
    auto it = cases.find(key);
    if (it == cases.end()) return false;
    it->second(fn, out);
    return true;
}

// "ordinal name" lines: a name of "-" is the export without a name;
// PmGetConstantBlock stands in for it where exports have no ordinals.
// Decorated names of either compiler map to the plain name plus "+".
std::map<int, std::string> readExportList(const std::string& path) {
    std::ifstream in(path);
    if (!in) fail("cannot read " + path);
    std::map<int, std::string> list;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        int ordinal;
        std::string name;
        if (fields >> ordinal >> name) list[ordinal] = name;
    }
    return list;
}

std::string keyOf(const std::string& name) {
    if (name == "-") return "PmGetConstantBlock";
    if (name.rfind("_Z", 0) == 0) {
        std::size_t digits = 2;
        while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[digits]))) ++digits;
        const std::size_t length = std::stoul(name.substr(2, digits - 2));
        return name.substr(digits, length) + "+";
    }
    if (name[0] == '?') return name.substr(1, name.find("@@") - 1) + "+";
    return name;
}

}  // namespace

#ifdef _WIN32

namespace {

// Checks the loaded image's export directory against the expected list:
// the same ordinals, the same names, no name where "-" is expected, nothing
// else; and that lookup by name and by ordinal give the same address.  Also
// that the DLL imports only from the system's own libraries.
void checkExportTable(HMODULE module, const std::map<int, std::string>& expected) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    const auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    const auto* nameOrdinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
    std::map<int, std::string> found;
    for (DWORD i = 0; i < exports->NumberOfFunctions; ++i)
        if (functions[i] != 0) found[int(exports->Base + i)] = "-";
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        const int ordinal = int(exports->Base + nameOrdinals[i]);
        std::string& slot = found[ordinal];
        if (slot != "-") fail("ordinal " + std::to_string(ordinal) + " named twice or without an address");
        slot = reinterpret_cast<const char*>(base + names[i]);
    }
    if (found != expected) {
        for (auto& [ordinal, name] : found)
            if (expected.count(ordinal) == 0 || expected.at(ordinal) != name)
                fail("export table has ordinal " + std::to_string(ordinal) + " as '" + name + "'");
        for (auto& [ordinal, name] : expected)
            if (found.count(ordinal) == 0) fail("export table lacks ordinal " + std::to_string(ordinal) + " " + name);
    }
    for (auto& [ordinal, name] : expected) {
        FARPROC byOrdinal = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
        if (byOrdinal == nullptr) fail("no export at ordinal " + std::to_string(ordinal));
        if (name != "-" && GetProcAddress(module, name.c_str()) != byOrdinal)
            fail(name + ": lookup by name and by ordinal differ");
    }

    const auto& importDir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (const auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + importDir.VirtualAddress);
         import->Name != 0; ++import) {
        const std::string dll = reinterpret_cast<const char*>(base + import->Name);
        if (lstrcmpiA(dll.c_str(), "kernel32.dll") != 0 && lstrcmpiA(dll.c_str(), "msvcrt.dll") != 0)
            fail("imports from " + dll + ", which is not part of the system");
    }
}

// A caller-cleans function called through a callee-cleans pointer leaves
// the stack pointer lower by its arguments' size, and the other way round
// higher: the stack check must see both, or it could not see a wrongly
// built export either.
extern "C" __attribute__((noinline)) int32_t callerCleans(int32_t a, int32_t b) { return a + b; }
extern "C" __attribute__((noinline)) int32_t __stdcall calleeCleans(int32_t a, int32_t b) { return a + b; }

template <class Wrong>
void checkTheStackCheck(void* address, std::intptr_t moved, const char* what) {
    // Through a volatile pointer, so the compiler cannot call it directly.
    void* volatile volatileAddress = address;
    auto wrong = as<Wrong>(volatileAddress);
    stackImbalance = 0;
    int32_t result;
    BALANCED(result = wrong(1, 2));
    if (result != 3 || stackImbalance != moved)
        fail(std::string("the stack check does not see a ") + what + " function (result " + std::to_string(result) +
             ", stack moved by " + std::to_string(stackImbalance) + ")");
    stackImbalance = 0;
}

// OutputDebugStringA raises DBG_PRINTEXCEPTION_C with the text; a vectored
// handler sees it before the system hands it to a debugger.
long debugMessages = 0;
LONG CALLBACK countDebugMessage(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
        const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        if (std::strcmp(text, "Hello, Edge Sensing!") == 0) ++debugMessages;
        else fail(std::string("unexpected debugger message '") + text + "'");
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void* lookUp(void* library, const std::string& symbol) {
    HMODULE module = static_cast<HMODULE>(library);
    return reinterpret_cast<void*>(symbol.empty() ? GetProcAddress(module, MAKEINTRESOURCEA(1))
                                                  : GetProcAddress(module, symbol.c_str()));
}

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr,
                     "usage: pixmill_dll_check EXPORTS REFDIR ANNOUNCEMENTS (run in the DLL's directory;\n"
                     "ANNOUNCEMENTS: debugger messages per accepted gradient-directed conversion)\n");
        return 2;
    }
    announcements = std::atoi(argv[3]);
    checkTheStackCheck<int32_t(__stdcall*)(int32_t, int32_t)>(reinterpret_cast<void*>(&callerCleans), 8,
                                                              "caller-cleans");
    checkTheStackCheck<int32_t(__cdecl*)(int32_t, int32_t)>(reinterpret_cast<void*>(&calleeCleans), -8,
                                                            "callee-cleans");
    AddVectoredExceptionHandler(1, countDebugMessage);
    HMODULE module = LoadLibraryA("pixmill.dll");
    if (module == nullptr) {
        fail("LoadLibrary(pixmill.dll) failed");
        return 1;
    }
    const auto expected = readExportList(argv[1]);
    checkExportTable(module, expected);
    for (auto& [ordinal, name] : expected) {
        const std::string key = keyOf(name);
        void* fn = lookUp(module, name == "-" ? "" : name);
        if (fn == nullptr) continue;  // reported by the table check
        Output out;
        stackImbalance = 0;
        const long messagesBefore = debugMessages;
        expectedMessages = 0;
        if (!run(key, fn, out)) {
            fail("no case for " + name);
            continue;
        }
        if (stackImbalance != 0)
            fail(name + ": the stack pointer moved by " + std::to_string(stackImbalance) + " bytes over a call");
        if (debugMessages - messagesBefore != expectedMessages)
            fail(name + ": " + std::to_string(debugMessages - messagesBefore) + " debugger messages, expected " +
                 std::to_string(expectedMessages));
        const std::string refPath = std::string(argv[2]) + "/" + key + ".bin";
        std::ifstream in(refPath, std::ios::binary);
        if (!in) {
            fail("no reference output " + refPath);
            continue;
        }
        const std::string reference((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (reference != out.bytes) {
            std::size_t at = 0;
            while (at < reference.size() && at < out.bytes.size() && reference[at] == out.bytes[at]) ++at;
            fail(name + ": output differs from the Linux build's at byte " + std::to_string(at) + " of " +
                 std::to_string(reference.size()) + " (here " + std::to_string(out.bytes.size()) + ")");
        } else {
            std::printf("ok  %2d %-32s %zu bytes equal\n", ordinal, name.c_str(), reference.size());
        }
    }
    FreeLibrary(module);
    std::printf("debugger messages: %ld\n", debugMessages);
    std::printf("%s\n", failures == 0 ? "all equal" : "FAILED");
    return failures == 0 ? 0 : 1;
}

#else

void* lookUp(void* library, const std::string& symbol) { return dlsym(library, symbol.c_str()); }

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: pixmill_reference_outputs LIBRARY EXPORTS OUTDIR\n");
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        fail(std::string("dlopen: ") + dlerror());
        return 1;
    }
    for (auto& [ordinal, name] : readExportList(argv[2])) {
        void* fn = lookUp(library, name);
        Output out;
        if (fn == nullptr || !run(keyOf(name), fn, out)) {
            fail("cannot run " + name);
            continue;
        }
        std::ofstream file(std::string(argv[3]) + "/" + keyOf(name) + ".bin", std::ios::binary);
        file.write(out.bytes.data(), std::streamsize(out.bytes.size()));
        if (!file) fail("cannot write the output of " + name);
    }
    return failures == 0 ? 0 : 1;
}

#endif
