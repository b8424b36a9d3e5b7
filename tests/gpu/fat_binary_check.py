#!/usr/bin/env python3
"""Checks the CUDA fat binary of a module: device code for each architecture asked for, PTX of
the newest, and the kernels in every device image. Reads the .nv_fatbin section itself, as the
toolkit here ships no cuobjdump.

usage: fat_binary_check.py MODULE --sass 75,86,89,120 --ptx 120 --kernels A,B,...
"""
import argparse
import struct
import sys

FATBIN_MAGIC = 0xBA55ED50
KIND_PTX, KIND_ELF = 1, 2


def sections(elf):
    shoff, = struct.unpack_from('<Q', elf, 0x28)
    shentsize, shnum, shstrndx = struct.unpack_from('<HHH', elf, 0x3A)
    headers = [struct.unpack_from('<IIQQQQIIQQ', elf, shoff + i * shentsize) for i in range(shnum)]
    names = headers[shstrndx]
    for h in headers:
        start = names[4] + h[0]
        name = elf[start:elf.index(b'\0', start)].decode()
        yield name, h


def section(elf, wanted):
    for name, h in sections(elf):
        if name == wanted:
            return elf[h[4]:h[4] + h[5]]
    return None


def entries(fatbin):
    """(kind, architecture, payload) of every image in the section's fat binaries."""
    offset = 0
    while offset + 16 <= len(fatbin):
        magic, _, header, size = struct.unpack_from('<IHHQ', fatbin, offset)
        if magic != FATBIN_MAGIC:
            break
        e = offset + header
        while e < offset + header + size:
            kind, _, entry_header, payload = struct.unpack_from('<HHIQ', fatbin, e)
            arch, = struct.unpack_from('<I', fatbin, e + 28)
            yield kind, arch, fatbin[e + entry_header:e + entry_header + payload]
            e += entry_header + payload
        offset += header + size
        offset = (offset + 7) & ~7


def functions(cubin):
    """Names of the function symbols of a device image."""
    symtab = dict(sections(cubin)).get('.symtab')
    if symtab is None:
        return set()
    strtab = dict(sections(cubin))['.strtab']
    names = set()
    for i in range(symtab[5] // 24):
        name, info = struct.unpack_from('<IB', cubin, symtab[4] + i * 24)
        if info & 0xF == 2:  # STT_FUNC
            start = strtab[4] + name
            names.add(cubin[start:cubin.index(b'\0', start)].decode())
    return names


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('module')
    parser.add_argument('--sass', required=True)
    parser.add_argument('--ptx', required=True)
    parser.add_argument('--kernels', required=True)
    args = parser.parse_args()
    elf = open(args.module, 'rb').read()
    fatbin = section(elf, '.nv_fatbin')
    if fatbin is None:
        print(f'{args.module}: no .nv_fatbin section')
        return 1
    images = list(entries(fatbin))
    sass = sorted(a for k, a, _ in images if k == KIND_ELF)
    ptx = sorted(a for k, a, _ in images if k == KIND_PTX)
    print(f'device code: {["sm_%d" % a for a in sass]}; PTX: {["compute_%d" % a for a in ptx]}')
    failed = False
    for arch in (int(a) for a in args.sass.split(',')):
        if arch not in sass:
            print(f'missing device code for sm_{arch}')
            failed = True
    for arch in (int(a) for a in args.ptx.split(',')):
        if arch not in ptx:
            print(f'missing PTX for compute_{arch}')
            failed = True
    kernels = set(args.kernels.split(','))
    for kind, arch, payload in images:
        if kind != KIND_ELF:
            continue
        if payload[:4] != b'\x7fELF':
            print(f'sm_{arch}: compressed image, kernels not checked')
            continue
        missing = kernels - functions(payload)
        if missing:
            print(f'sm_{arch}: kernels missing: {sorted(missing)}')
            failed = True
    if not failed:
        print('all kernels in every device image')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
