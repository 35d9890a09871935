"""The naming convention of CONTRIBUTING.md over every declaration of the sources, read by
universal-ctags: the rules of .clang-tidy (readability-identifier-naming) without compiling
anything, so that the check costs a second instead of minutes. Given names are exempt.

Usage: check_naming.py GIVEN_NAMES_FILE FOLDER...   (prints one line a fault; exit 1 on any)
"""

import json
import re
import shutil
import subprocess
import sys

CAMEL = re.compile(r"[A-Z][a-zA-Z0-9]*")  # PascalCase, as clang-tidy's CamelCase
LOWER_CAMEL = re.compile(r"[a-z][a-zA-Z0-9]*")  # camelCase, as clang-tidy's camelBack
MEMBER = re.compile(r"m_[a-z][a-zA-Z0-9]*")
MACRO = re.compile(r"[A-Z][A-Z0-9_]*")
# What the parser takes for a function but is a macro call at namespace level (TEST_F, ...).
MACRO_CALL = re.compile(r"[A-Z][A-Z0-9]*(_[A-Z0-9]+)+|[A-Z]+")


def read_given(path):
    names = set()
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                names.add(line)
    return names


def tags(folders):
    command = [
        shutil.which("ctags-universal") or "ctags", "-R", "--output-format=json", "--languages=C++", "--langmap=C++:+.h",
        "--kinds-C++=+lpzZ", "--fields=+aKsSZtn", "--fields-C++=+{properties}",
        "--extras=-{anonymous}", "-f", "-", *folders,
    ]
    out = subprocess.run(command, check=True, capture_output=True, text=True).stdout
    for line in out.splitlines():
        tag = json.loads(line)
        if tag.get("_type") == "tag":
            yield tag


def source_line(tag):
    # The pattern is the declaration's line, as /^...$/.
    return tag.get("pattern", "")[2:-2]


def is_constant(tag):
    """Whether the declared object itself is constant: constexpr, or const at the top level (a
    pointer to const is no constant)."""
    if re.search(r"\bconstexpr\b", source_line(tag)):
        return True
    declared = re.sub(r"(\[\w*\])+$", "", tag.get("typeref", "").removeprefix("typename:")).strip()
    if declared.endswith(("*", "&")):
        return False
    if "*" in declared:
        return re.search(r"\*\s*const$", declared) is not None
    return declared.startswith("const ") or declared.endswith(" const")


def misread(tag):
    """Declarations the parser gets wrong: a type named in a variable declaration (struct stat
    st), an unnamed parameter whose type it takes for the name, a constructor or destructor,
    an operator, a macro call at namespace level, the unnamed placeholder _."""
    name, kind, line = tag["name"], tag["kind"], source_line(tag)
    if set(name) == {"_"} or name.startswith(("operator", "~")):
        return True
    if kind in ("class", "struct", "union") and not re.search(
        rf"\b{kind}\s+{re.escape(name)}\s*(final\b|:|{{|$)", line
    ):
        return True
    if kind == "parameter" and (
        re.search(rf"::\s*{re.escape(name)}\b", line)
        or MACRO_CALL.fullmatch(tag.get("scope", "").split("::")[-1])
    ):
        return True
    if kind in ("function", "prototype"):
        owner = tag.get("scope", "").split("::")[-1]
        return name == owner or MACRO_CALL.fullmatch(name) is not None
    return False


def rule(tag, overriding):
    """The name's pattern and what it is called, or None when the name is not ours to check."""
    kind = tag["kind"]
    props = tag.get("properties", "").split(",")
    name = tag["name"]
    if kind == "namespace":
        return None if name in ("kelvane", "Ui") else (CAMEL, "namespace")
    if kind in ("class", "struct", "union", "enum", "typedef"):
        return CAMEL, kind
    if kind == "tparam":
        return CAMEL, "template parameter"
    if kind == "enumerator":
        return CAMEL, "enumerator"
    if kind in ("function", "prototype"):
        if "override" in props or (tag.get("scope"), name) in overriding:
            return None  # named by the class it overrides
        if name == "main":
            return None
        return LOWER_CAMEL, "function"
    if kind == "member":
        if "static" in props and is_constant(tag):
            return CAMEL, "class constant"
        if tag.get("access") in ("private", "protected"):
            return MEMBER, tag["access"] + " member"
        return LOWER_CAMEL, "public member"
    if kind == "variable":
        return (CAMEL, "constant") if is_constant(tag) else (LOWER_CAMEL, "variable")
    if kind == "local":
        if re.search(r"\bconstexpr\b", source_line(tag)) or ("static" in props and is_constant(tag)):
            return CAMEL, "constant"
        return LOWER_CAMEL, "local variable"
    if kind == "parameter":
        return LOWER_CAMEL, "parameter"
    if kind == "macro":
        return MACRO, "macro"
    return None


def main():
    given = read_given(sys.argv[1])
    all_tags = list(tags(sys.argv[2:]))
    overriding = {
        (t.get("scope"), t["name"])
        for t in all_tags
        if "override" in t.get("properties", "").split(",")
    }
    faults = set()
    for tag in all_tags:
        name = tag["name"]
        if name in given or (name.startswith("Set") and name[3:] in given):
            continue
        if name.startswith("__"):  # reserved for the toolchain, e.g. the sanitizers' hooks
            continue
        if misread(tag):
            continue
        checked = rule(tag, overriding)
        if checked is None:
            continue
        pattern, what = checked
        where = f'{tag["path"]}:{tag.get("line", 0)}'
        if not pattern.fullmatch(name):
            faults.add(f"{where}: {what} '{name}' does not follow the convention")
        elif pattern is CAMEL and what != "enumerator" and re.match(r"[TE][A-Z]", name) and (
            tag["kind"] in ("class", "struct", "union", "enum", "typedef")
        ):
            faults.add(f"{where}: type '{name}' of ours has the T or E prefix of a given name")
    for fault in sorted(faults):
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
