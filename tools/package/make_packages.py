#!/usr/bin/env python3
"""Makes the Windows packages of a Windows build:

    make_packages.py BUILD-DIR OUT-DIR

BUILD-DIR is a Windows build, 32-bit (cmake/mingw-i686.cmake) or 64-bit
(cmake/mingw-x86_64.cmake); it holds Stepforge.exe, demo/ and generated/.
OUT-DIR receives, with ARCH win32 or win64 after the build's program,

    Stepforge-VERSION-ARCH.zip        the portable package: a folder Stepforge-VERSION
                                      with the program, the demo and the read-me files
    Stepforge-VERSION-ARCH-setup.exe  the per-user installer (NSIS); the 64-bit
                                      one is a 64-bit program too

and keeps the staged files in OUT-DIR/stage/Stepforge-VERSION. The build's
Stepforge.exe is copied without its debugging symbols, which are nine tenths
of its size.
"""
import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
KIT_FOLDER = "Stepforge Demo Kit"
DEMO_FILE = "Demo.^&^"
STRIP = {"win32": "i686-w64-mingw32-strip", "win64": "x86_64-w64-mingw32-strip"}
NSIS_TARGET = {"win32": "x86-unicode", "win64": "amd64-unicode"}


def program_arch(exe):
    """win32 or win64, from the machine field of the program's PE header."""
    with open(exe, "rb") as program:
        head = program.read(4096)
    offset = struct.unpack_from("<I", head, 0x3C)[0]
    machine = struct.unpack_from("<H", head, offset + 4)[0] if head[offset:offset + 4] == b"PE\0\0" else None
    if machine not in (0x14C, 0x8664):
        sys.exit(f"make_packages: {exe} is not a 32-bit or 64-bit x86 Windows program")
    return "win32" if machine == 0x14C else "win64"


def build_version(build_dir):
    with open(os.path.join(build_dir, "generated", "version.h")) as header:
        match = re.search(r'STEPFORGE_VERSION_STRING "([0-9.]+)"', header.read())
    if not match:
        sys.exit("make_packages: no version in generated/version.h")
    return match.group(1)


def fill(template, version):
    with open(os.path.join(HERE, template), encoding="utf-8") as source:
        return source.read().replace("@VERSION@", version)


def stage(build_dir, folder, version, arch):
    """The payload, as both packages install it."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(os.path.join(folder, KIT_FOLDER))
    exe = os.path.join(build_dir, "Stepforge.exe")
    if shutil.which(STRIP[arch]):
        subprocess.run([STRIP[arch], "-o", os.path.join(folder, "Stepforge.exe"), exe], check=True)
    else:
        shutil.copy2(exe, folder)
    demo = os.path.join(build_dir, "demo")
    shutil.copy2(os.path.join(demo, DEMO_FILE), folder)
    sounds = sorted(name for name in os.listdir(os.path.join(demo, KIT_FOLDER)) if name.lower().endswith(".wav"))
    if len(sounds) != 16:
        sys.exit(f"make_packages: {demo}/{KIT_FOLDER} holds {len(sounds)} sounds, not 16")
    for name in sounds:
        shutil.copy2(os.path.join(demo, KIT_FOLDER, name), os.path.join(folder, KIT_FOLDER))
    with open(os.path.join(folder, "ReadMe.htm"), "w", encoding="utf-8", newline="\r\n") as out:
        out.write(fill("ReadMe.htm", version))
    with open(os.path.join(folder, "ReadMe.txt"), "w", encoding="utf-8", newline="\r\n") as out:
        out.write(fill("ReadMe.txt", version))


def payload_files(folder):
    """Paths relative to the payload folder, folders before what they hold."""
    found = []
    for root, dirs, files in os.walk(folder):
        dirs.sort()
        for name in sorted(files):
            found.append(os.path.relpath(os.path.join(root, name), folder))
    return found


def make_zip(folder, path):
    top = os.path.basename(folder)
    with zipfile.ZipFile(path + ".part", "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for name in payload_files(folder):
            archive.write(os.path.join(folder, name), top + "/" + name.replace(os.sep, "/"))
    os.replace(path + ".part", path)


def nsis_file_lists(folder, path):
    """The installer's File and the uninstaller's Delete lines, one per payload
    file, so the uninstaller removes exactly what was installed."""
    files = payload_files(folder)
    for name in files:
        if any(c in os.path.join(folder, name) for c in '$"'):
            sys.exit(f"make_packages: NSIS would misread the path {os.path.join(folder, name)}")
    subfolders = sorted({os.path.dirname(name) for name in files if os.path.dirname(name)}, reverse=True)
    lines = ["; Made by make_packages.py from the staged payload.", "!macro InstallFiles"]
    current = None
    for name in files:
        where = os.path.dirname(name)
        if where != current:
            lines.append('  SetOutPath "$INSTDIR' + ("\\" + where.replace(os.sep, "\\") if where else "") + '"')
            current = where
        lines.append(f'  File "{os.path.join(folder, name)}"')
    lines += ['  SetOutPath "$INSTDIR"', "!macroend", "!macro UninstallFiles"]
    lines += [f'  Delete "$INSTDIR\\{name.replace(os.sep, chr(92))}"' for name in files]
    lines += [f'  RMDir "$INSTDIR\\{name.replace(os.sep, chr(92))}"' for name in subfolders]
    lines.append("!macroend")
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


def make_installer(folder, build_dir, path, version, arch):
    lists = os.path.join(os.path.dirname(folder), "files.nsh")
    nsis_file_lists(folder, lists)
    size_kb = sum(os.path.getsize(os.path.join(folder, name)) for name in payload_files(folder)) // 1024
    command = ["makensis", "-V2",
               f"-DVERSION={version}",
               f"-DTARGET={NSIS_TARGET[arch]}",
               f"-DOUTFILE={path}.part",
               f"-DFILE_LISTS={lists}",
               f"-DICON={os.path.join(build_dir, 'generated', 'stepforge.ico')}",
               f"-DSIZE_KB={size_kb}",
               os.path.join(HERE, "stepforge.nsi")]
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        sys.stderr.write(result.stdout)
        sys.exit("make_packages: makensis failed")
    os.replace(path + ".part", path)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build_dir")
    parser.add_argument("out_dir")
    options = parser.parse_args()
    build_dir = os.path.abspath(options.build_dir)
    out_dir = os.path.abspath(options.out_dir)
    version = build_version(build_dir)
    arch = program_arch(os.path.join(build_dir, "Stepforge.exe"))
    folder = os.path.join(out_dir, "stage", f"Stepforge-{version}")
    stage(build_dir, folder, version, arch)
    zip_path = os.path.join(out_dir, f"Stepforge-{version}-{arch}.zip")
    setup_path = os.path.join(out_dir, f"Stepforge-{version}-{arch}-setup.exe")
    make_zip(folder, zip_path)
    make_installer(folder, build_dir, setup_path, version, arch)
    for path in (zip_path, setup_path):
        print(f"{path}: {os.path.getsize(path) // 1024} KiB")


if __name__ == "__main__":
    main()
