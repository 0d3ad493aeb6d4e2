"""Builds the Python module kora for pip (see pyproject.toml): the extension kora._kora is made
by the project's CMake build (a Release build of the static library and the extension alone, in
setuptools' temporary directory) for the interpreter running pip, and the package python/kora
(its .py files, stubs and py.typed) is installed around it. The version is the CMake project's."""

import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


def project_version():
    match = re.search(r"project\(kora VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text())
    return match.group(1)


class CMakeBuild(build_ext):
    """build_ext that builds the target _kora with CMake and copies it where setuptools puts
    the extension."""

    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        configure = ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                     "-DKORA_TESTS=OFF", "-DKORA_PYTHON=ON",
                     "-DPython_EXECUTABLE=" + sys.executable]
        if shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        subprocess.run(configure, check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        subprocess.run(["cmake", "--build", str(build), "--target", "_kora", "-j", jobs],
                       check=True)
        built = next((build / "python" / "kora").glob("_kora*.so"))
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


# setuptools' build and egg-info directories, beside the CMake build directories (ignored by git).
(ROOT / "build-python").mkdir(exist_ok=True)

setup(
    version=project_version(),
    packages=["kora"],
    package_dir={"kora": "python/kora"},
    package_data={"kora": ["py.typed", "*.pyi"]},
    ext_modules=[Extension("kora._kora", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": "build-python"}, "egg_info": {"egg_base": "build-python"}},
    zip_safe=False,
)
