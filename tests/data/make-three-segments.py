#!/usr/bin/env python3
"""Writes three-segments.txt: a machine whose functions lie in PCI segments 0000,
0001 and 0010, as `lspci -D -xxx` prints them. Segment 0000 has a host bridge;
the others begin with a root port at 00:00.0, as ARM and POWER root complexes do.
Usage: tests/data/make-three-segments.py  (run from anywhere)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
EXPRESS_CAP = 0x40
ROOT_PORT, ENDPOINT = 4, 0


def function(vendor, device, cls, multi=False, bridge=None, bar=None, express=None):
    b = bytearray(256)
    b[0:4] = struct.pack('<HH', vendor, device)
    b[4:6] = struct.pack('<H', 0x0006 if bar or bridge else 0)
    b[0x08] = 0x01
    b[0x09:0x0C] = bytes([cls & 0xFF, (cls >> 8) & 0xFF, cls >> 16])
    b[0x0E] = (0x80 if multi else 0) | (1 if bridge else 0)
    if bar is not None:
        b[0x10:0x14] = struct.pack('<I', bar)
    if bridge:
        primary, secondary, window = bridge
        b[0x18:0x1B] = bytes([primary, secondary, secondary])
        b[0x1C:0x1E] = bytes([0xF0, 0x00])  # no I/O window
        b[0x20:0x24] = struct.pack('<HH', (window >> 16) & 0xFFF0, ((window + 0xFFFFF) >> 16) & 0xFFF0)
        b[0x24:0x28] = struct.pack('<HH', 0xFFF0, 0x0000)  # no prefetchable window
    if express is not None:
        b[6] = 0x10  # capabilities list
        b[0x34] = EXPRESS_CAP
        b[EXPRESS_CAP:EXPRESS_CAP + 4] = bytes([0x10, 0, 0x02 | (express << 4), 0])
    return b


# (address as lspci -D prints it, title, bytes)
FUNCTIONS = [
    ('0000:00:00.0', 'Host bridge: Intel Corporation 82G33/G31/P35/P31 Express DRAM Controller',
     function(0x8086, 0x29C0, 0x060000)),
    ('0000:00:01.0', 'PCI bridge: Red Hat, Inc. QEMU PCIe Root port',
     function(0x1B36, 0x000C, 0x060400, bridge=(0, 1, 0xFE800000), express=ROOT_PORT)),
    ('0000:01:00.0', 'Non-Volatile memory controller: Red Hat, Inc. QEMU NVM Express Controller (rev 02)',
     function(0x1B36, 0x0010, 0x010802, bar=0xFE800000, express=ENDPOINT)),
    ('0001:00:00.0', 'PCI bridge: Red Hat, Inc. QEMU PCIe Root port',
     function(0x1B36, 0x000C, 0x060400, bridge=(0, 1, 0x90000000), express=ROOT_PORT)),
    ('0001:01:00.0', 'Ethernet controller: Intel Corporation 82599ES 10-Gigabit SFI/SFP+ Network Connection (rev 01)',
     function(0x8086, 0x10FB, 0x020000, multi=True, bar=0x90000000, express=ENDPOINT)),
    ('0001:01:00.1', 'Ethernet controller: Intel Corporation 82599ES 10-Gigabit SFI/SFP+ Network Connection (rev 01)',
     function(0x8086, 0x10FB, 0x020000, multi=True, bar=0x90080000, express=ENDPOINT)),
    ('0010:00:00.0', 'PCI bridge: Red Hat, Inc. QEMU PCIe Root port',
     function(0x1B36, 0x000C, 0x060400, bridge=(0, 3, 0xA0000000), express=ROOT_PORT)),
    ('0010:03:00.0', 'USB controller: Red Hat, Inc. QEMU XHCI Host Controller (rev 01)',
     function(0x1B36, 0x000D, 0x0C0330, bar=0xA0000000, express=ENDPOINT)),
]


def main():
    lines = ['# Three PCI segments: a host bridge in 0000, root ports at 00:00.0 of 0001 and 0010.',
             '# Written by make-three-segments.py.']
    for address, title, b in FUNCTIONS:
        lines.append('')
        lines.append(f'{address} {title}')
        for row in range(0, len(b), 16):
            lines.append(f'{row:02x}: ' + ' '.join(f'{x:02x}' for x in b[row:row + 16]))
        if struct.unpack_from('<I', b, 0x10)[0] and not b[0x0E] & 0x7F:
            lines.append('@bar 0 size 16K')
    with open(os.path.join(HERE, 'three-segments.txt'), 'w') as out:
        out.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    main()
