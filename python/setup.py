"""Builds the package with the library inside it: the checkout's own CMake
build of the three builds' libpixmill.so, copied to pixmill/lib/<build>/,
where the loader looks first after PIXMILL_LIBRARY.  The wheel is therefore
tagged for this platform (any Python 3: the library is loaded through ctypes).

The sources must be the checkout this directory lives in (pip builds in
place); PIXMILL_CMAKE_ARGS adds options to the CMake configure step.
"""
import os
import shlex
import shutil
import subprocess
from pathlib import Path

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

try:
    from wheel.bdist_wheel import bdist_wheel
except ImportError:  # without wheel, pip installs through setup.py alone
    bdist_wheel = None

HERE = Path(__file__).resolve().parent
CHECKOUT = HERE.parent
BUILDS = ("1.7.7.6", "1.5.0.1", "1.1.2.0")


class BuildWithLibrary(build_py):
    """The Python modules, then the libraries beside them."""

    def run(self):
        super().run()
        if not (CHECKOUT / "CMakeLists.txt").is_file():
            raise SystemExit(f"pixmill: the library's sources are not beside the package ({CHECKOUT}); "
                             "build from a checkout of the repository")
        work = Path(self.build_lib).resolve().parent / "pixmill-cmake"
        configure = ["cmake", "-S", str(CHECKOUT), "-B", str(work), "-DCMAKE_BUILD_TYPE=Release",
                     "-DPIXMILL_BUILD_TESTS=OFF", "-DPIXMILL_BUILD_BENCH=OFF", "-DPIXMILL_BUILD_TOOLS=OFF"]
        configure += shlex.split(os.environ.get("PIXMILL_CMAKE_ARGS", ""))
        targets = [f"pixmill_{build.replace('.', '_')}" for build in BUILDS]
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(work), "-j", str(os.cpu_count() or 2), "--target", *targets],
                       check=True)
        for build in BUILDS:
            target = Path(self.build_lib) / "pixmill" / "lib" / build
            target.mkdir(parents=True, exist_ok=True)
            # The file itself, not the link chain: the loader opens libpixmill.so.
            shutil.copyfile(work / build / "libpixmill.so", target / "libpixmill.so")


class LibraryDistribution(Distribution):
    def has_ext_modules(self):  # the wheel holds native code
        return True


commands = {"build_py": BuildWithLibrary}
if bdist_wheel is not None:
    class PlatformWheel(bdist_wheel):
        """Tagged py3-none-<platform>: native, but for any Python 3."""

        def finalize_options(self):
            super().finalize_options()
            self.root_is_pure = False

        def get_tag(self):
            _, _, platform = super().get_tag()
            return "py3", "none", platform

    commands["bdist_wheel"] = PlatformWheel

setup(cmdclass=commands, distclass=LibraryDistribution)
