// The shared library as an application meets it: loaded at run time and
// called through the names of its export definition.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pixmill.h"

namespace {

struct Library {
    void* handle;
    explicit Library(const char* path) : handle(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~Library() {
        if (handle) dlclose(handle);
    }
    template <typename F>
    F symbol(const char* name) const {
        return reinterpret_cast<F>(dlsym(handle, name));
    }
};

TEST(LoadedLibrary, ConvertsThroughItsIdentityTableFromTheFirstCall) {
    Library lib(PIXMILL_LIBRARY_1_7_7_6);
    ASSERT_NE(nullptr, lib.handle) << dlerror();
    auto convert = lib.symbol<PmConvertBayerFunction>("ConvertBayer2Rgb");
    ASSERT_NE(nullptr, convert);
    // A uniform frame through null tables comes back unchanged in every byte.
    std::vector<std::uint8_t> raw(16 * 12, 77), image(16 * 12 * 3, 0);
    ASSERT_EQ(1, convert(image.data(), raw.data(), 16, 12, PM_METHOD_BILINEAR, nullptr, nullptr, nullptr, 0, 2));
    for (std::uint8_t v : image) ASSERT_EQ(77, v);
}

TEST(LoadedLibrary, ConstantBlockIsStable) {
    Library lib(PIXMILL_LIBRARY_1_7_7_6);
    ASSERT_NE(nullptr, lib.handle) << dlerror();
    auto block = lib.symbol<decltype(&PmGetConstantBlock)>("PmGetConstantBlock");
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(block(), block());
}

// Each rotation name exists twice; by symbol, the plain and the decorated
// form of one name turn opposite ways.
TEST(LoadedLibrary, RotationFormsTurnAsNamed) {
    Library lib(PIXMILL_LIBRARY_1_7_7_6);
    ASSERT_NE(nullptr, lib.handle) << dlerror();
    // Each form called through its own type (clang's function-type check
    // catches a call through the other one).
    using PlainTurn = std::int32_t (*)(const std::uint8_t*, std::int32_t, std::int32_t, std::uint8_t*);
    using DecoratedTurn = int (*)(unsigned char*, int, int, unsigned char*);
    std::vector<std::uint8_t> source = {0, 1, 2, 3, 4, 5, 6, 7};  // 4 x 2: rows 0 1 2 3 / 4 5 6 7
    const std::vector<std::uint8_t> clockwise = {4, 0, 0, 0, 5, 1, 0, 0, 6, 2, 0, 0, 7, 3, 0, 0};
    const std::vector<std::uint8_t> counter = {3, 7, 0, 0, 2, 6, 0, 0, 1, 5, 0, 0, 0, 4, 0, 0};
    const struct {
        const char* symbol;
        bool plain;
        const std::vector<std::uint8_t>& expected;
    } forms[] = {{"PmRotate90CW8B", true, clockwise},
                 {"PmRotate90CCW8B", true, counter},
                 {"_Z14PmRotate90CW8BPhiiS_", false, counter},
                 {"_Z15PmRotate90CCW8BPhiiS_", false, clockwise}};
    for (const auto& form : forms) {
        auto plain = lib.symbol<PlainTurn>(form.symbol);
        ASSERT_NE(nullptr, plain) << form.symbol;
        std::vector<std::uint8_t> out(16, 0);  // 4 rows of 2 samples, padded to 4
        EXPECT_EQ(0, form.plain ? plain(source.data(), 4, 2, out.data())
                                : lib.symbol<DecoratedTurn>(form.symbol)(source.data(), 4, 2, out.data()));
        EXPECT_EQ(form.expected, out) << form.symbol;
    }
}

TEST(LoadedLibrary, InternalRoutinesAreNotReachable) {
    Library lib(PIXMILL_LIBRARY_1_7_7_6);
    ASSERT_NE(nullptr, lib.handle) << dlerror();
    EXPECT_EQ(nullptr, dlsym(lib.handle, "_ZN2pm12extendBorderEPhiijij"));
    EXPECT_EQ(nullptr, dlsym(lib.handle, "_ZN2pm13identityTableE"));
}

}  // namespace
