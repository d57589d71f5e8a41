#!/usr/bin/env python3
"""Static checks of a cross-built Qor_enc1.dll, read with mingw objdump.

A host drops the DLL in and resolves the entry points by name, so what must
hold is visible in the PE headers alone: the export directory (module name,
names, ordinals, the one shared address), the machine type, the imported DLLs
and, on 32-bit x86, that the entry points leave the arguments to the caller.

The expected names are read from the public header, so the export table is
checked against the declared interface rather than against a copy of itself;
the ordinals are the names' positions in alphabetical order.

Prints one line per check and exits 1 if any failed.
"""

import argparse
import re
import subprocess
import sys

# One function exported under two names.
SHARED_ADDRESS_PAIR = ("sCRYPT_EncryptSessionKey", "sCRYPT_DecryptSessionKey")
ENTRY_POINT_COUNT = 15

MACHINES = {
    # objdump -f "architecture" and -p "Magic" for each target.
    "i386": ("i386", "010b"),
    "x86-64": ("i386:x86-64", "020b"),
}

# Windows' own DLLs a module may import; the MinGW runtime DLLs
# (libstdc++-6, libgcc_s_*, libwinpthread-1) are deliberately absent.
SYSTEM_DLLS = re.compile(
    r"^(kernel32|msvcrt|ucrtbase|ntdll|advapi32|user32|bcrypt|"
    r"api-ms-win-[a-z0-9-]+)\.dll$", re.IGNORECASE)


class Report:
    def __init__(self, label):
        self.label = label
        self.failures = 0

    def check(self, ok, what, detail=""):
        status = "ok  " if ok else "FAIL"
        suffix = f": {detail}" if detail and not ok else ""
        print(f"  [{status}] {self.label}: {what}{suffix}")
        if not ok:
            self.failures += 1
        return ok


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def declared_entry_points(header_path):
    with open(header_path, encoding="utf-8") as header:
        text = header.read()
    return sorted(set(re.findall(r"QOR_API\b[^;(]*?\bQOR_CALL\s+(sCRYPT_\w+)\s*\(", text)))


def parse_exports(dump):
    """Returns (module name, ordinal base, {EAT index: (rva, kind)}, {name: EAT index})."""
    section = dump.split("The Export Tables", 1)
    if len(section) < 2:
        return None, None, {}, {}
    body = section[1].split("\nThe ", 1)[0]
    module = re.search(r"^Name\s+\S+\s+(\S+)", body, re.MULTILINE)
    base = re.search(r"^Ordinal Base\s+(\d+)", body, re.MULTILINE)
    addresses = {
        int(index): (int(rva, 16), kind)
        for index, rva, kind in re.findall(
            r"^\s*\[\s*(\d+)\]\s+\+base\[\s*\d+\]\s+([0-9a-fA-F]+)\s+(\w+) RVA", body, re.MULTILINE)
    }
    names_part = body.split("[Ordinal/Name Pointer] Table", 1)
    names = {}
    if len(names_part) == 2:
        for index, name in re.findall(r"^\s*\[\s*(\d+)\]\s+(\S+)\s*$", names_part[1], re.MULTILINE):
            names[name] = int(index)
    return (module.group(1) if module else None,
            int(base.group(1)) if base else None, addresses, names)


def check_exports(report, dump, expected):
    module, base, addresses, names = parse_exports(dump)
    report.check(module == "Qor_enc1.dll", "export directory names the module Qor_enc1.dll",
                 f"found {module!r}")
    report.check(len(expected) == ENTRY_POINT_COUNT,
                 f"the header declares {ENTRY_POINT_COUNT} entry points", f"found {len(expected)}")
    report.check(sorted(names) == expected, "exactly the declared names are exported",
                 f"missing {sorted(set(expected) - set(names))}, "
                 f"extra {sorted(set(names) - set(expected))}")
    report.check(len(addresses) == len(expected),
                 "no export without a name (address table size)", f"found {len(addresses)}")
    forwarders = sorted(n for n, i in names.items() if addresses.get(i, (0, "Export"))[1] != "Export")
    report.check(not forwarders, "no export is a forwarder", f"forwarded {forwarders}")

    wrong = []
    for ordinal, name in enumerate(expected, start=1):
        if name in names and base is not None and names[name] + base != ordinal:
            wrong.append(f"{name} @{names[name] + base}, expected @{ordinal}")
    report.check(base is not None and not wrong,
                 "ordinals 1..15 in alphabetical order of the names",
                 "; ".join(wrong) or "no ordinal base")

    rva = {name: addresses.get(index, (None, ""))[0] for name, index in names.items()}
    first, second = SHARED_ADDRESS_PAIR
    report.check(first in rva and rva[first] is not None and rva.get(first) == rva.get(second),
                 f"{first} and {second} share one address",
                 f"{rva.get(first)} vs {rva.get(second)}")
    # Every other entry point is its own function: two names on one address
    # would silently make one call do the other's work.
    by_address = {}
    for name, address in rva.items():
        by_address.setdefault(address, []).append(name)
    clashes = [sorted(group) for group in by_address.values()
               if len(group) > 1 and sorted(group) != sorted(SHARED_ADDRESS_PAIR)]
    report.check(not clashes, "every other entry point has an address of its own",
                 f"shared: {clashes}")
    return names, rva


def check_machine(report, objdump, dll, dump, machine):
    architecture, magic = MACHINES[machine]
    header = run(objdump, "-f", dll)
    found = re.search(r"^architecture:\s*([^,\s]+)", header, re.MULTILINE)
    report.check(found is not None and found.group(1) == architecture,
                 f"machine type {architecture}", f"found {found.group(1) if found else None}")
    found_magic = re.search(r"^Magic\s+([0-9a-fA-F]+)", dump, re.MULTILINE)
    report.check(found_magic is not None and found_magic.group(1) == magic,
                 f"optional header magic {magic} ({'PE32' if magic == '010b' else 'PE32+'})",
                 f"found {found_magic.group(1) if found_magic else None}")
    characteristics = re.search(r"^Characteristics\s+0x([0-9a-fA-F]+)", dump, re.MULTILINE)
    is_dll = characteristics is not None and int(characteristics.group(1), 16) & 0x2000
    report.check(bool(is_dll), "image is a DLL (IMAGE_FILE_DLL)")


def check_imports(report, dump):
    imported = re.findall(r"^\s*DLL Name:\s*(\S+)", dump, re.MULTILINE)
    foreign = [name for name in imported if not SYSTEM_DLLS.match(name)]
    report.check(bool(imported) and not foreign,
                 f"imports only Windows system DLLs ({', '.join(imported)})",
                 f"non-system imports {foreign}" if foreign else "no import table")


def function_symbols(objdump, dll, dump):
    """Maps the RVA of every global function symbol to its name."""
    image_base = int(re.search(r"^ImageBase\s+([0-9a-fA-F]+)", dump, re.MULTILINE).group(1), 16)
    section_rva = {
        int(index) + 1: int(vma, 16) - image_base
        for index, vma in re.findall(r"^\s*(\d+)\s+\S+\s+[0-9a-fA-F]+\s+([0-9a-fA-F]+)\s",
                                     run(objdump, "-h", dll), re.MULTILINE)
    }
    symbols = {}
    for section, value, name in re.findall(
            r"\(sec\s+(\d+)\)\(fl [^)]*\)\(ty\s+20\)\(scl\s+2\)\s+\(nx \d+\)\s+0x([0-9a-fA-F]+)\s+(\S+)",
            run(objdump, "-t", dll)):
        if int(section) in section_rva:
            symbols.setdefault(section_rva[int(section)] + int(value, 16), name)
    return symbols


def check_cdecl(report, objdump, dll, dump, rva):
    """On 32-bit x86 a __stdcall function returns with `ret $n`; cdecl never does.

    The code is found through the symbol at each export's address, whatever
    that symbol is called, so a decorated stdcall name is found as well.
    """
    symbols = function_symbols(objdump, dll, dump)
    offenders, missing = [], []
    for address in sorted({a for a in rva.values() if a is not None}):
        exported = "/".join(sorted(n for n, a in rva.items() if a == address))
        symbol = symbols.get(address)
        if symbol is None:
            missing.append(exported)
            continue
        listing = run(objdump, "-d", f"--disassemble={symbol}", dll)
        # A body that ends in a tail call has no ret at all; only a ret that
        # pops arguments tells against cdecl.
        if re.search(r"\tret[lw]?\s+\$0x[0-9a-f]+", listing):
            offenders.append(f"{exported} ({symbol})")
    report.check(not missing and not offenders,
                 "entry points are cdecl (no callee-popped arguments)",
                 f"callee pops in {offenders}" if offenders
                 else f"no function symbol at the address of {missing} (stripped DLL?)")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--machine", required=True, choices=sorted(MACHINES))
    parser.add_argument("--header", required=True)
    parser.add_argument("dll")
    args = parser.parse_args()

    report = Report(f"{args.machine} {args.dll}")
    dump = run(args.objdump, "-p", args.dll)
    expected = declared_entry_points(args.header)
    _, rva = check_exports(report, dump, expected)
    check_machine(report, args.objdump, args.dll, dump, args.machine)
    check_imports(report, dump)
    if args.machine == "i386":
        check_cdecl(report, args.objdump, args.dll, dump, rva)
    return 1 if report.failures else 0


if __name__ == "__main__":
    sys.exit(main())
