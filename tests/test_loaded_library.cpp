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
    auto convert = lib.symbol<decltype(&ConvertBayer2Rgb)>("ConvertBayer2Rgb");
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

TEST(LoadedLibrary, InternalRoutinesAreNotReachable) {
    Library lib(PIXMILL_LIBRARY_1_7_7_6);
    ASSERT_NE(nullptr, lib.handle) << dlerror();
    EXPECT_EQ(nullptr, dlsym(lib.handle, "_ZN2pm12extendBorderEPhiijij"));
    EXPECT_EQ(nullptr, dlsym(lib.handle, "_ZN2pm13identityTableE"));
}

}  // namespace
