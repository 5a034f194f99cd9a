#!/usr/bin/env python3
"""Fails when an #include line crosses the layers the build is meant to hold.

Rules, over every .h/.cpp file below src/:
  * folders form layers: a folder may include only itself and folders below it in
    LAYERS (which also rules out cycles); platform/linux and platform/fake count as
    folders of their own, as does every */widgets folder; among widgets folders, X/widgets
    may include Y/widgets when X is above Y (the floating panel's widgets reuse the
    panel's);
  * X11, XInput, XTest, AT-SPI, Tesseract, Leptonica, libpng, xkbcommon and Wayland headers only in
    platform/linux and main;
  * Qt Widgets headers only in */widgets folders and main.

Usage: check_includes.py SRC_DIR [QT_WIDGETS_INCLUDE_DIR]
       check_includes.py --self-test
"""

import os
import re
import sys
import tempfile

# Lowest first. A folder's rank must not be below the rank of anything it includes.
# Folders on one line share a rank and must not include each other.
LAYERS = [
    ["Core"],
    ["platform"],
    ["settings"],
    ["localization"],
    ["classification"],
    ["formatting"],
    ["history"],
    ["search"],
    ["capture"],
    ["hotkey", "pin"],
    ["panel"],
    ["floating"],
    ["app"],
    ["widgets"],  # every */widgets folder
    ["platform/linux", "platform/fake"],
    ["cli"],
    ["main"],
]

PLATFORM_HEADER = re.compile(
    r"^(X11/|xcb/|atspi/|tesseract/|leptonica/|allheaders\.h$|png\.h$|wayland-|gio/|glib|xkbcommon/"
    r"|[a-z0-9-]+-v[0-9]+-client\.h$)")
PLATFORM_HEADER_FOLDERS = {"platform/linux", "main"}
WIDGETS_FOLDERS_ALLOWED = {"main"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')

# Used when the Qt headers cannot be listed (the check still catches the usual ones).
FALLBACK_WIDGETS = {
    "QApplication", "QWidget", "QMainWindow", "QDialog", "QLabel", "QLineEdit", "QPushButton",
    "QListView", "QTreeView", "QMenu", "QSystemTrayIcon", "QMessageBox", "QFileDialog",
    "QVBoxLayout", "QHBoxLayout", "QStyledItemDelegate", "QTextEdit", "QPlainTextEdit",
}


def folder_of(relative_path):
    """The layer folder of a path relative to src/ ('platform/linux/X.cpp' -> 'platform/linux')."""
    parts = relative_path.split("/")
    if len(parts) < 2:
        return None
    if "widgets" in parts[:-1]:
        return "/".join(parts[: parts.index("widgets") + 1])
    if parts[0] == "platform" and len(parts) > 2 and parts[1] in ("linux", "fake"):
        return "platform/" + parts[1]
    return parts[0]


def rank_of(folder):
    if folder.endswith("/widgets") or folder == "widgets":
        folder = "widgets"
    for rank, names in enumerate(LAYERS):
        if folder in names:
            return rank
    return None


def widgets_headers(qt_widgets_dir):
    if qt_widgets_dir and os.path.isdir(qt_widgets_dir):
        names = {name for name in os.listdir(qt_widgets_dir) if name.startswith("Q") and "." not in name}
        if names:
            return names
    return set(FALLBACK_WIDGETS)


def check(src_dir, qt_widgets_dir=None):
    """Returns a list of human-readable violations."""
    widgets = widgets_headers(qt_widgets_dir)
    violations = []
    edges = {}
    for root, _, files in os.walk(src_dir):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            relative = os.path.relpath(path, src_dir).replace(os.sep, "/")
            source_folder = folder_of(relative)
            if source_folder is None:
                continue
            with open(path, encoding="utf-8", errors="replace") as handle:
                for number, line in enumerate(handle, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    kind, target = match.groups()
                    where = f"{relative}:{number}"
                    if kind == "<":
                        if PLATFORM_HEADER.match(target) and source_folder not in PLATFORM_HEADER_FOLDERS:
                            violations.append(f"{where}: platform header <{target}> outside platform/linux")
                        header = target.split("/")[-1]
                        is_widgets = target.startswith("QtWidgets/") or (
                            "/" not in target and header in widgets)
                        if is_widgets and not source_folder.endswith("/widgets") \
                                and source_folder not in WIDGETS_FOLDERS_ALLOWED:
                            violations.append(f"{where}: Qt Widgets header <{target}> outside a widgets folder")
                        continue
                    target_folder = folder_of(target)
                    if target_folder is None or target_folder == source_folder:
                        continue
                    edges.setdefault(source_folder, {}).setdefault(target_folder, where)
    violations.extend(layer_violations(edges))
    violations.extend(f"include cycle: {' -> '.join(cycle)}" for cycle in cycles(edges))
    return violations


def layer_violations(edges):
    found = []
    for source, targets in sorted(edges.items()):
        source_rank = rank_of(source)
        for target, where in sorted(targets.items()):
            target_rank = rank_of(target)
            if source_rank is None:
                found.append(f"{where}: folder {source} has no layer")
            elif target_rank is None:
                found.append(f"{where}: included folder {target} has no layer")
            elif source.endswith("/widgets") and target.endswith("/widgets"):
                source_parent, target_parent = rank_of(source[: -len("/widgets")]), rank_of(target[: -len("/widgets")])
                if source_parent is None or target_parent is None or target_parent >= source_parent:
                    found.append(f"{where}: {source} includes {target}, which is not below it")
            elif target_rank >= source_rank:
                found.append(f"{where}: {source} includes {target}, which is not below it")
    return found


def cycles(edges):
    """Strongly connected components of more than one folder (Tarjan)."""
    index, low, stack, on_stack, result = {}, {}, [], set(), []
    counter = [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on_stack.add(node)
        for successor in edges.get(node, {}):
            if successor not in index:
                visit(successor)
                low[node] = min(low[node], low[successor])
            elif successor in on_stack:
                low[node] = min(low[node], index[successor])
        if low[node] == index[node]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == node:
                    break
            if len(component) > 1:
                result.append(sorted(component) + [sorted(component)[0]])

    for node in sorted(set(edges) | {t for targets in edges.values() for t in targets}):
        if node not in index:
            visit(node)
    return result


def self_test():
    """The checker must pass a clean tree and flag each kind of forbidden edge."""
    cases = {
        "clean": ({"history/A.h": '#include "Core/Utilities/L.h"\n#include <QString>\n',
                   "Core/Utilities/L.h": "", "panel/widgets/W.cpp": '#include <QWidget>\n#include "panel/M.h"\n',
                   "panel/M.h": '#include "history/A.h"\n',
                   "platform/linux/X.cpp": '#include <X11/Xlib.h>\n#include "platform/P.h"\n',
                   "platform/P.h": ""}, []),
        "cycle": ({"history/A.h": '#include "search/B.h"\n', "search/B.h": '#include "history/A.h"\n'},
                  ["includes search", "include cycle: history -> search -> history"]),
        "upward": ({"classification/A.h": '#include "app/B.h"\n', "app/B.h": ""},
                   ["classification includes app"]),
        "x11": ({"capture/A.cpp": "#include <X11/Xlib.h>\n"}, ["platform header <X11/Xlib.h>"]),
        "atspi": ({"floating/A.cpp": "#include <atspi/atspi.h>\n"}, ["platform header <atspi/atspi.h>"]),
        "widgets": ({"app/A.cpp": "#include <QWidget>\n"}, ["Qt Widgets header <QWidget>"]),
        "widgets module": ({"panel/A.cpp": "#include <QtWidgets/QLabel>\n"}, ["Qt Widgets header"]),
        "widgets reuse lower widgets": ({"floating/widgets/A.cpp": '#include "panel/widgets/B.h"\n',
                                         "panel/widgets/B.h": ""}, []),
        "widgets reuse higher widgets": ({"panel/widgets/A.cpp": '#include "floating/widgets/B.h"\n',
                                          "floating/widgets/B.h": ""},
                                         ["panel/widgets includes floating/widgets"]),
        "fake below logic": ({"capture/A.cpp": '#include "platform/fake/F.h"\n', "platform/fake/F.h": ""},
                             ["capture includes platform/fake"]),
    }
    failures = []
    for name, (files, expected) in cases.items():
        with tempfile.TemporaryDirectory() as directory:
            for relative, text in files.items():
                path = os.path.join(directory, relative)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "w", encoding="utf-8") as handle:
                    handle.write(text)
            found = check(directory)
            if not expected and found:
                failures.append(f"{name}: expected no violation, got {found}")
            for fragment in expected:
                if not any(fragment in violation for violation in found):
                    failures.append(f"{name}: expected a violation containing {fragment!r}, got {found}")
    for failure in failures:
        print(failure)
    print(f"{len(cases) - len({f.split(':')[0] for f in failures})} passed, "
          f"{len({f.split(':')[0] for f in failures})} failed")
    return 1 if failures else 0


def main(argv):
    if len(argv) == 2 and argv[1] == "--self-test":
        return self_test()
    if len(argv) not in (2, 3):
        print(__doc__)
        return 2
    violations = check(argv[1], argv[2] if len(argv) == 3 else None)
    for violation in violations:
        print(violation)
    print(f"{len(violations)} forbidden include edge(s)")
    return 1 if violations else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
