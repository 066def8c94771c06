#!/usr/bin/env python3
"""Checks the include rules of the source tree; scripts/test runs it before the builds.

1. The product folders stand in one order and a file includes headers of its own
   folder or of folders before it only:
   platform < widgets, resources < cdrom < discinfo < jobs < app.
   shellext/ uses platform/ and the exchange-area codec alone.
2. The portable core, every file the host build compiles, never includes a
   Windows header, neither directly nor through a header of the Win32 layer.
   What is Win32-only is read from the CMakeLists.txt files: the sources they
   name inside if(WIN32) (or after an early return of the host build), the
   headers beside those sources, and every *_win.* file.

Prints one line per broken rule and exits 1 when there is any.
"""
import glob
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

RANKS = {"platform": 0, "widgets": 1, "resources": 1, "cdrom": 2, "discinfo": 3, "jobs": 4, "app": 5, "shellext": 5}
SHELLEXT_MAY_USE = ("platform/", "shellext/", "app/exchange_area.h", "app/exchange_area_win.h")
WINDOWS_HEADERS = {
    "windows.h", "winioctl.h", "windowsx.h", "mmsystem.h", "commctrl.h", "commdlg.h", "shellapi.h", "shlobj.h",
    "shlwapi.h", "objbase.h", "ole2.h", "dbt.h", "imagehlp.h", "winreg.h", "winbase.h",
}
SKIPPED = {".git", "build", "third_party"}
SOURCE_ENDINGS = (".cpp", ".c", ".h")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')
COMMAND = re.compile(r"([A-Za-z_]\w*)\s*\(([^()]*)\)", re.S)


def relative(path):
    return os.path.relpath(path, ROOT).replace(os.sep, "/")


def expand(argument, folder):
    """The files a source argument of a CMake command names, or none."""
    argument = argument.strip('"')
    if not argument.endswith((".cpp", ".c")):
        return []
    argument = argument.replace("${CMAKE_SOURCE_DIR}", ROOT).replace("${CMAKE_CURRENT_SOURCE_DIR}", folder)
    if "$" in argument:
        return []
    return glob.glob(os.path.join(folder, argument))


def win32_sources(cmake_file, win32_only=False):
    """Sources named in Win32-only parts of cmake_file and of the folders it adds."""
    folder = os.path.dirname(cmake_file)
    text = re.sub(r"#[^\n]*", "", open(cmake_file, encoding="utf-8").read())
    found = set()
    conditions = []  # per open if(): "win", "host" or "other"
    host_returned = False  # the host build has left this file
    for match in COMMAND.finditer(text):
        name, arguments = match.group(1).lower(), match.group(2).split()
        if name == "if":
            condition = " ".join(arguments)
            conditions.append({"WIN32": "win", "NOT WIN32": "host"}.get(condition, "other"))
            continue
        if name == "else" and conditions:
            conditions[-1] = {"win": "host", "host": "win"}.get(conditions[-1], "other")
            continue
        if name == "endif" and conditions:
            conditions.pop()
            continue
        here = win32_only or host_returned or "win" in conditions
        if name == "return" and "host" in conditions:
            host_returned = True
        elif name == "add_subdirectory" and arguments:
            child = arguments[0].replace("${CMAKE_SOURCE_DIR}", ROOT)
            child = child if os.path.isabs(child) else os.path.join(folder, child)
            child_file = os.path.join(child, "CMakeLists.txt")
            if os.path.isfile(child_file):
                found |= win32_sources(child_file, here)
        elif here:
            for argument in arguments:
                found.update(os.path.normpath(path) for path in expand(argument, folder))
    return found


def tree_files():
    for folder, subfolders, files in os.walk(ROOT):
        subfolders[:] = sorted(d for d in subfolders if d not in SKIPPED)
        for name in sorted(files):
            if name.endswith(SOURCE_ENDINGS):
                yield os.path.join(folder, name)


def is_win32_only(path, sources):
    stem, _ = os.path.splitext(path)
    return (path in sources or re.search(r"_win\.\w+$", path) is not None
            or stem + ".cpp" in sources or stem + ".c" in sources)


def resolve(source, header):
    """The tree-relative path of a quoted include: from the root, else beside the source."""
    if os.path.isfile(os.path.join(ROOT, header)):
        return header
    return relative(os.path.join(os.path.dirname(source), header))


def layer_problem(source, header):
    """Why source may not include header (both relative), or None."""
    folder, target = source.split("/")[0], header.split("/")[0]
    if folder not in RANKS or target not in RANKS or "/" not in header:
        return None
    if folder == "shellext":
        if header.startswith(SHELLEXT_MAY_USE):
            return None
        return "shellext/ may use only platform/ and the exchange-area codec"
    if target == "shellext" and folder != "app":
        return "only app/ may use shellext/"
    if RANKS[target] > RANKS[folder]:
        allowed = ", ".join(f + "/" for f, rank in RANKS.items() if rank <= RANKS[folder] and f != "shellext")
        return f"{folder}/ may use only {allowed}"
    return None


MPEG_FOLDER = "jobs/mpeg/"
MPEG_PUBLIC = "jobs/mpeg/mpeg_decoder.h"
MPEG_STATE = "jobs/mpeg/mpeg_decoder_state.h"


def decoder_problem(source, header):
    """Why source may not include header (both relative) of the decoder's folder, or None."""
    if not header.startswith(MPEG_FOLDER) or source.startswith(MPEG_FOLDER) or header == MPEG_PUBLIC:
        return None
    if source.startswith("tests/") and header != MPEG_STATE:
        return None
    return f"outside {MPEG_FOLDER} the decoder is used through {MPEG_PUBLIC} alone"


def main():
    sources = win32_sources(os.path.join(ROOT, "CMakeLists.txt"))
    win32_headers = {relative(path) for path in tree_files() if is_win32_only(path, sources)}
    problems = []
    checked = 0
    for path in tree_files():
        name = relative(path)
        core = not is_win32_only(path, sources) and not name.startswith("shellext/")
        checked += 1
        for number, line in enumerate(open(path, encoding="utf-8", errors="replace"), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            header = match.group(2)
            closing = ">" if match.group(1) == "<" else '"'
            where = f"{name}:{number}: includes {match.group(1)}{header}{closing}"
            for why in (layer_problem(name, header), decoder_problem(name, header)):
                if why:
                    problems.append(f"{where}: {why}")
            if core and match.group(1) == "<" and header.lower() in WINDOWS_HEADERS:
                problems.append(f"{where}: a Windows header in the portable core (the host build compiles this file)")
            elif core and resolve(path, header) in win32_headers:
                problems.append(f"{where}: a Win32-layer header (it brings <windows.h>) in the portable core")
    for problem in problems:
        print(problem)
    if problems:
        print(f"include check: {len(problems)} broken rule(s) in {checked} files; the order is "
              "platform < widgets, resources < cdrom < discinfo < jobs < app, and the core has no <windows.h>")
        return 1
    print(f"include check: {checked} files follow the folder order; the portable core has no <windows.h>")
    return 0


if __name__ == "__main__":
    sys.exit(main())
