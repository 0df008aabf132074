#!/usr/bin/env python3
# Quorva run-time. Licensed under the MIT licence.
"""Assembles 32-bit guest code and writes it as a C++ header (see GuestAsm.cmake)."""

import argparse
import os
import re
import subprocess
import sys


def run(*command):
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"guest_asm: {' '.join(command)} failed:\n{result.stdout}{result.stderr}")
    return result.stdout


def constant_name(label):
    parts = [part for part in label.split("_") if part]
    return "k" + "".join(part[0].upper() + part[1:] for part in parts)


def main():
    parser = argparse.ArgumentParser()
    for option in ("as", "objcopy", "nm", "readelf", "source", "output", "work", "namespace"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args()

    os.makedirs(args.work, exist_ok=True)
    obj = os.path.join(args.work, "code.o")
    binary = os.path.join(args.work, "code.bin")
    run(args.__dict__["as"], "--32", "-o", obj, args.source)

    # Everything must be in .text: nothing else reaches the guest.
    for line in run(args.readelf, "-SW", obj).splitlines():
        match = re.match(r"\s*\[\s*\d+\]\s+(\.data|\.bss|\.rodata\S*)\s+\S+\s+\S+\s+\S+\s+([0-9a-f]+)", line)
        if match and int(match.group(2), 16) != 0:
            sys.exit(f"guest_asm: {args.source}: section {match.group(1)} is not empty; keep data in .text")

    run(args.objcopy, "-O", "binary", "-j", ".text", obj, binary)
    with open(binary, "rb") as f:
        code = bytearray(f.read())

    text_symbols = {}
    globals_ = {}
    for line in run(args.nm, obj).splitlines():
        fields = line.split()
        if len(fields) == 2 and fields[0] == "U":
            sys.exit(f"guest_asm: {args.source}: undefined symbol {fields[1]}")
        if len(fields) != 3:
            continue
        value, kind, name = int(fields[0], 16), fields[1], fields[2]
        if kind in "tT":
            text_symbols[name] = value
            if kind == "T":
                globals_[name] = value
        elif kind.isupper():
            sys.exit(f"guest_asm: {args.source}: global symbol {name} is not in .text")

    # Relocations of .text: relative ones are resolved here; absolute ones are turned into
    # section offsets and listed for the loader.
    relocations = []
    in_text = False
    for line in run(args.readelf, "-rW", obj).splitlines():
        if line.startswith("Relocation section"):
            in_text = "'.rel.text'" in line
            continue
        match = re.match(r"\s*([0-9a-f]+)\s+[0-9a-f]+\s+(R_386_\w+)\s+([0-9a-f]+)\s+(\S+)", line)
        if not match:
            continue
        if not in_text:
            sys.exit(f"guest_asm: {args.source}: relocation outside .text: {line.strip()}")
        offset, kind, name = int(match.group(1), 16), match.group(2), match.group(4)
        if name == ".text":
            target = 0
        elif name in text_symbols:
            target = text_symbols[name]
        else:
            sys.exit(f"guest_asm: {args.source}: reference to {name} outside .text")
        field = int.from_bytes(code[offset:offset + 4], "little", signed=True)
        if kind == "R_386_32":
            field += target
            relocations.append(offset)
        elif kind in ("R_386_PC32", "R_386_PLT32"):
            field += target - offset
        else:
            sys.exit(f"guest_asm: {args.source}: unsupported relocation {kind} at {offset:#x}")
        code[offset:offset + 4] = (field & 0xFFFFFFFF).to_bytes(4, "little")

    names = {}
    for label in globals_:
        constant = constant_name(label)
        if constant in names or constant in ("kCode", "kRelocations"):
            sys.exit(f"guest_asm: {args.source}: labels {label} and {names.get(constant)} give the same name")
        names[constant] = label

    source_name = os.path.basename(args.source)
    lines = [
        "// Quorva run-time. Licensed under the MIT licence.",
        f"// Generated from {source_name} by cmake/guest_asm.py; do not edit.",
        "#pragma once",
        "",
        "#include <array>",
        "#include <cstdint>",
        "",
        f"namespace {args.namespace} {{",
        "",
        f"inline constexpr std::array<std::uint8_t, {len(code)}> kCode = {{",
    ]
    for start in range(0, len(code), 16):
        lines.append("    " + ", ".join(f"0x{b:02X}" for b in code[start:start + 16]) + ",")
    lines.append("};")
    lines.append("// Offsets of 32-bit fields holding code offsets: add the load address to each.")
    lines.append(f"inline constexpr std::array<std::uint32_t, {len(relocations)}> kRelocations = {{"
                 + ", ".join(f"0x{r:X}" for r in relocations) + "};")
    lines.append("")
    for label, value in sorted(globals_.items(), key=lambda item: (item[1], item[0])):
        lines.append(f"inline constexpr std::uint32_t {constant_name(label)} = 0x{value:X}; // {label}")
    lines.append("")
    lines.append(f"}} // namespace {args.namespace}")
    text = "\n".join(lines) + "\n"

    old = None
    if os.path.exists(args.output):
        with open(args.output) as f:
            old = f.read()
    if old != text:
        with open(args.output, "w") as f:
            f.write(text)


if __name__ == "__main__":
    main()
