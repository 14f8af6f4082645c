#!/usr/bin/env python3
"""Writes machines/modern.txt: a current PC in lspci's dump format (-vvv Region
lines, -xxxx hex lines with 4 KiB spaces for the PCI Express functions).

Host bridge, root ports, a GPU with 64-bit BARs above 4 GiB and Resizable BAR,
an NVMe SSD with MSI-X, a NIC with SR-IOV and AER errors logged, an xHCI and a
SATA AHCI controller, and a PCIe-to-PCI bridge with a conventional card behind
it. Check the result with `lspci -F machines/modern.txt -vvv` and machine-check.
Usage: machines/make-modern.py  (run from anywhere)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def d32(*values): return b''.join(struct.pack('<I', v & 0xFFFFFFFF) for v in values)
def d16(*values): return b''.join(struct.pack('<H', v & 0xFFFF) for v in values)


class Function:
    def __init__(self, bdf, title, vendor, device, cls, rev=0, layout=0, size=4096, subsystem=None):
        self.bdf, self.title, self.size, self.regions = bdf, title, size, []
        self.b = bytearray(size)
        self.w16(0, vendor)
        self.w16(2, device)
        self.w16(4, 0x0406 if layout == 0 else 0x0407)  # memory, bus master, no INTx (I/O on bridges)
        self.w16(6, 0x0010)
        self.b[0x08] = rev
        self.b[0x09:0x0C] = bytes([cls & 0xFF, (cls >> 8) & 0xFF, cls >> 16])
        self.b[0x0C] = 0x10
        self.b[0x0E] = layout
        if layout == 0:
            self.w16(0x2C, subsystem[0] if subsystem else vendor)
            self.w16(0x2E, subsystem[1] if subsystem else device)
        self.std_last = None
        self.ext_last = None

    def w8(self, o, v): self.b[o] = v & 0xFF
    def w16(self, o, v): self.b[o:o + 2] = d16(v)
    def w32(self, o, v): self.b[o:o + 4] = d32(v)

    def bar(self, index, value, size, text, upper=0):
        self.w32(0x10 + 4 * index, value)
        if upper:
            self.w32(0x14 + 4 * index, upper)
        self.regions.append(f'\tRegion {index}: {text} [size={size}]')
        if value & 1:
            self.b[0x04] |= 0x01  # I/O decode on

    def std(self, off, cid, body=b''):
        if self.std_last is None:
            self.b[0x34] = off
        else:
            self.b[self.std_last + 1] = off
        self.b[off], self.b[off + 1] = cid, 0
        self.b[off + 2:off + 2 + len(body)] = body
        self.std_last = off

    def ext(self, off, cid, body=b'', version=1):
        if self.ext_last is not None:
            head = struct.unpack('<I', self.b[self.ext_last:self.ext_last + 4])[0]
            self.w32(self.ext_last, (head & 0xFFFFF) | (off << 20))
        self.w32(off, cid | (version << 16))
        self.b[off + 4:off + 4 + len(body)] = body
        self.ext_last = off

    def dump(self):
        lines = [f'{self.bdf} {self.title}'] + self.regions
        for o in range(0, self.size, 16):
            lines.append(f'{o:02x}: ' + ' '.join(f'{x:02x}' for x in self.b[o:o + 16]))
        return '\n'.join(lines) + '\n\n'


def express(f, off, ptype, speed, width, sta_speed=None, sta_width=None, slot=None, devsta=0, port=0):
    """A version 2 PCI Express capability; slot is a physical slot number for a root port's slot."""
    sta_speed = speed if sta_speed is None else sta_speed
    sta_width = width if sta_width is None else sta_width
    root = ptype == 4
    caps = 2 | (ptype << 4) | (0x100 if slot is not None else 0)
    devcap = 0x00008021 | (0x10000000 if ptype == 0 else 0)  # 256B payload, RBE, extended tags, FLR
    linkcap = speed | (width << 4) | (3 << 10) | (4 << 12) | (6 << 15) | (port << 24)
    linkcap |= 0x00700000 if root else 0x00040000  # root: DLL active and bandwidth notification; else clock PM
    linksta = sta_speed | (sta_width << 4) | 0x1000 | (0x2000 if root else 0)
    body = d16(caps) + d32(devcap) + d16(0x2936, devsta) + d32(linkcap) + d16(0x0040, linksta)
    body += d32(((slot or 0) << 19) | 0x0040 if slot is not None else 0) + d16(0x1008 if slot is not None else 0)
    body += d16(0x0040 if slot is not None else 0)  # slot status: presence detect state
    body += d16(0x0000 if root else 0, 0x0001 if root else 0) + d32(0)  # root control/capabilities, root status
    body += d32(0x00731F9F if root else 0x0070091F) + d16(0x0006 if root else 0x0000, 0)
    body += d32(((1 << (speed + 1)) - 2) | (0x00800000 if root else 0)) + d16(speed, 0x001E if speed >= 3 else 0)
    body += d32(0) + d16(0, 0)
    f.std(off, 0x10, body)


def pm(f, off): f.std(off, 0x01, d16(0xC803, 0x0008) + bytes([0, 0]))
def msi(f, off, vectors_log2=0): f.std(off, 0x05, d16(0x0080 | (vectors_log2 << 1)) + d32(0xFEE00000, 0, 0))
def msix(f, off, count, table, pba): f.std(off, 0x11, d16(count - 1) + d32(table, pba))
def ssvid(f, off, vendor, device): f.std(off, 0x0D, d16(0) + d16(vendor, device))
def aer(f, off, ue=0, ce=0, log=(0, 0, 0, 0), pointer=0, root=False):
    body = d32(ue, 0x00400000, 0x00462030, ce, 0x00002000, 0x000000A0 | pointer) + d32(*log)
    if root:
        body += d32(0x7, 0, 0)
    f.ext(off, 0x0001, body, version=2)
def dsn(f, off, serial): f.ext(off, 0x0003, d32(serial & 0xFFFFFFFF, serial >> 32))
def l1ss(f, off): f.ext(off, 0x001E, d32(0x0028281F, 0x40A0280F, 0x00000028))
def ltr(f, off): f.ext(off, 0x0018, d16(0x1003, 0x1003))
def acs(f, off): f.ext(off, 0x000D, d16(0x005F, 0x001D))
def ptm(f, off, root=False): f.ext(off, 0x001F, d32(0x00000406 if root else 0x00000001, 0x00000003 if root else 0))
def secondary(f, off, lanes): f.ext(off, 0x0019, d32(0, 0) + d16(*([0x7F7F] * lanes)))


def root_port(bdf, device, port, secondary_bus, slot, speed, width, memory=None, prefetch=None, io=None):
    f = Function(bdf, f'PCI bridge: Intel Corporation Device {device:04x} (rev 11)', 0x8086, device, 0x060400,
                 rev=0x11, layout=1)
    f.b[0x18:0x1B] = bytes([0, secondary_bus, secondary_bus])
    f.w8(0x1C, 0xF1); f.w8(0x1D, 0x01)  # I/O window closed unless given
    f.w16(0x20, 0xFFF0); f.w16(0x22, 0x0000)
    f.w16(0x24, 0xFFF1); f.w16(0x26, 0x0001)
    if io:
        f.w8(0x1C, (io[0] >> 8) & 0xF0 | 1); f.w8(0x1D, (io[1] >> 8) & 0xF0 | 1)
    if memory:
        f.w16(0x20, (memory[0] >> 16) & 0xFFF0); f.w16(0x22, (memory[1] >> 16) & 0xFFF0)
    if prefetch:
        f.w16(0x24, ((prefetch[0] >> 16) & 0xFFF0) | 1); f.w16(0x26, ((prefetch[1] >> 16) & 0xFFF0) | 1)
        f.w32(0x28, prefetch[0] >> 32); f.w32(0x2C, prefetch[1] >> 32)
    f.w8(0x3D, 1); f.w8(0x3C, 0xFF)
    f.w16(0x3E, 0x0012)
    express(f, 0x40, 4, speed, width, slot=slot, port=port)
    msi(f, 0x80)
    ssvid(f, 0x90, 0x1043, 0x8882)
    pm(f, 0xA0)
    aer(f, 0x100, root=True)
    acs(f, 0x140)
    ptm(f, 0x150, root=True)
    l1ss(f, 0x200)
    f.ext(0x220, 0x001D, d16(0x01E0 | 3, 0x0000, 0x0000, 0x0000) + d32(0, 0, 0, 0, 0), version=1)  # DPC
    return f


def machine():
    funcs = []
    host = Function('00:00.0', 'Host bridge: Intel Corporation Device a700 (rev 01)', 0x8086, 0xA700, 0x060000,
                    rev=0x01, size=256, subsystem=(0x1043, 0x8882))
    host.std(0xE0, 0x09, bytes([0x0C, 0x01]) + bytes(9))
    funcs.append(host)

    # GPU behind 00:01.0: 64-bit BARs above 4 GiB, Resizable BAR at its full 16 GiB.
    funcs.append(root_port('00:01.0', 0xA70D, 2, 1, None, 4, 16, memory=(0xF6000000, 0xF70FFFFF),
                           prefetch=(0x4000000000, 0x4401FFFFFF), io=(0x5000, 0x5FFF)))
    gpu = Function('01:00.0', 'VGA compatible controller: NVIDIA Corporation Device 2684 (rev a1) (prog-if 00 [VGA controller])',
                   0x10DE, 0x2684, 0x030000, rev=0xA1, subsystem=(0x1043, 0x889C))
    gpu.bar(0, 0xF6000000, '16M', 'Memory at f6000000 (32-bit, non-prefetchable)')
    gpu.bar(1, 0x0000000C, '16G', 'Memory at 4000000000 (64-bit, prefetchable)', upper=0x40)
    gpu.bar(3, 0x0000000C, '32M', 'Memory at 4400000000 (64-bit, prefetchable)', upper=0x44)
    gpu.bar(5, 0x00005001, '128', 'I/O ports at 5000')
    gpu.w8(0x3C, 0xFF); gpu.w8(0x3D, 1)
    pm(gpu, 0x60)
    msi(gpu, 0x68)
    express(gpu, 0x78, 0, 4, 16)
    gpu.std(0xB4, 0x09, bytes([0x14, 0x01]) + bytes(16))
    gpu.ext(0x100, 0x0002, d32(0, 0, 0) + d32(0x00000000, 0x800000FF, 0x00000000))  # virtual channel
    gpu.ext(0x128, 0x0004, d32(0, 0, 0))  # power budgeting
    gpu.ext(0x250, 0x0018, d16(0x1003, 0x1003))
    gpu.ext(0x258, 0x001E, d32(0x0028281F, 0x40A0280F, 0x00000028))
    gpu.ext(0x600, 0x000B, d32(0x02401001))  # vendor specific, 24h bytes
    gpu.ext(0x900, 0x0019, d32(0, 0) + d16(*([0x7F7F] * 16)))
    gpu.ext(0xBB0, 0x0015, d32(0x0007F000, 0x00000E21))  # BAR 1: 256 MiB .. 16 GiB, now 16 GiB
    gpu.ext(0xC1C, 0x0026, d32(0, 0, 0x0000000F, 0, 0, 0, 0) + bytes([0x77] * 16))
    gpu.ext(0xD00, 0x0027, d16(0x0001, 0x0001) + d32(*([0x009C0000] * 16)))
    gpu.ext(0xE00, 0x0025, d32(0x80000001, 0x80000001))
    funcs.append(gpu)

    # NVMe SSD behind 00:06.0: MSI-X with 130 vectors, serial number, L1 substates.
    funcs.append(root_port('00:06.0', 0xA74D, 5, 2, 6, 4, 4, memory=(0xFC600000, 0xFC6FFFFF)))
    nvme = Function('02:00.0', 'Non-Volatile memory controller: Samsung Electronics Co Ltd Device a80a (prog-if 02 [NVM Express])',
                    0x144D, 0xA80A, 0x010802, subsystem=(0x144D, 0xA801))
    nvme.bar(0, 0xFC600004, '16K', 'Memory at fc600000 (64-bit, non-prefetchable)')
    nvme.w8(0x3C, 0xFF); nvme.w8(0x3D, 1)
    pm(nvme, 0x40)
    msi(nvme, 0x50, vectors_log2=5)
    express(nvme, 0x70, 0, 4, 4)
    msix(nvme, 0xB0, 130, 0x00003000, 0x00002000)
    aer(nvme, 0x100)
    dsn(nvme, 0x148, 0x002538B231A0C4E1)
    nvme.ext(0x158, 0x0004, d32(0, 0, 0))
    secondary(nvme, 0x168, 4)
    nvme.ext(0x188, 0x0026, d32(0, 0, 0x0000000F, 0, 0, 0, 0) + bytes([0x77] * 4))
    nvme.ext(0x1AC, 0x0027, d16(0x0001, 0x0001) + d32(*([0x009C0000] * 4)))
    ltr(nvme, 0x1D0)
    l1ss(nvme, 0x1D8)
    funcs.append(nvme)

    # NIC with SR-IOV behind 00:1c.0; its AER registers hold logged errors.
    rp = root_port('00:1c.0', 0x7A38, 9, 3, 9, 2, 1, memory=(0xFC000000, 0xFC1FFFFF), io=(0x4000, 0x4FFF))
    rp.b[0x0E] |= 0x80
    funcs.append(rp)
    nic = Function('03:00.0', 'Ethernet controller: Intel Corporation I350 Gigabit Network Connection (rev 01)',
                   0x8086, 0x1521, 0x020000, rev=0x01, subsystem=(0x8086, 0x0001))
    nic.bar(0, 0xFC000000, '1M', 'Memory at fc000000 (32-bit, non-prefetchable)')
    nic.bar(2, 0x00004001, '32', 'I/O ports at 4000')
    nic.bar(3, 0xFC100000, '16K', 'Memory at fc100000 (32-bit, non-prefetchable)')
    nic.w8(0x3C, 0xFF); nic.w8(0x3D, 1)
    pm(nic, 0x40)
    msi(nic, 0x50, vectors_log2=0)
    msix(nic, 0x70, 10, 0x00000003, 0x00002003)
    express(nic, 0xA0, 0, 2, 4, sta_speed=2, sta_width=1, devsta=0x0009)
    aer(nic, 0x100, ue=0x00104000, ce=0x000000C1, pointer=14, log=(0x4A000001, 0x0300000F, 0xFC100040, 0x00000000))
    dsn(nic, 0x140, 0x001B21FFFE8A5C3E)
    nic.ext(0x150, 0x000E, d16(0x0100, 0x0000))  # ARI: next function 1
    nic.ext(0x160, 0x0010, d32(0x00000000, 0x00000000, 0x00080008, 0x00000000, 0x00040180, 0x15200000,
                               0x00000553, 0x00000001, 0x0000000C, 0, 0x0000000C, 0, 0, 0, 0))
    nic.ext(0x1A0, 0x0017, d32(0x00000005, 0, 0))
    ltr(nic, 0x1C0)
    acs(nic, 0x1D0)
    funcs.append(nic)

    # PCIe-to-PCI bridge behind 00:1c.4 and a conventional card behind it.
    funcs.append(root_port('00:1c.4', 0x7A3C, 13, 4, 13, 1, 1, memory=(0xFC200000, 0xFC2FFFFF), io=(0x3000, 0x3FFF)))
    bridge = Function('04:00.0', 'PCI bridge: ASMedia Technology Inc. ASM1083/1085 PCIe to PCI Bridge (rev 04) (prog-if 01 [Subtractive decode])',
                      0x1B21, 0x1080, 0x060401, rev=0x04, layout=1)
    bridge.b[0x18:0x1B] = bytes([4, 5, 5])
    bridge.w8(0x1C, 0x31); bridge.w8(0x1D, 0x31)
    bridge.w16(0x20, 0xFC20); bridge.w16(0x22, 0xFC20)
    bridge.w16(0x24, 0xFFF1); bridge.w16(0x26, 0x0001)
    bridge.w16(0x3E, 0x0000)
    express(bridge, 0x80, 7, 1, 1)
    msi(bridge, 0xC0)
    ssvid(bridge, 0xD8, 0x1043, 0x8489)
    pm(bridge, 0xE0)
    aer(bridge, 0x100)
    funcs.append(bridge)
    card = Function('05:00.0', 'Serial controller: NetMos Technology PCI 9835 Multi-I/O Controller (rev 01) (prog-if 02 [16550])',
                    0x9710, 0x9835, 0x070002, rev=0x01, size=256, subsystem=(0x1000, 0x0012))
    card.w16(6, 0x0280)
    card.w16(4, 0x0001)
    for i, port in enumerate((0x3020, 0x3028, 0x3030, 0x3038, 0x3010)):
        card.bar(i, port | 1, '8' if i < 4 else '16', f'I/O ports at {port:04x}')
    card.w8(0x3C, 0x10); card.w8(0x3D, 1)
    funcs.append(card)

    # Integrated controllers on bus 0: conventional spaces, as the chipset presents them.
    xhci = Function('00:14.0', 'USB controller: Intel Corporation Device 7a60 (rev 11) (prog-if 30 [XHCI])',
                    0x8086, 0x7A60, 0x0C0330, rev=0x11, size=256, subsystem=(0x1043, 0x8882))
    xhci.b[0x0E] = 0x80
    xhci.w16(6, 0x0290)
    xhci.bar(0, 0x01100004, '64K', 'Memory at 6001100000 (64-bit, non-prefetchable)', upper=0x60)
    xhci.w8(0x3D, 1); xhci.w8(0x3C, 0xFF)
    pm(xhci, 0x70)
    msi(xhci, 0x80, vectors_log2=3)
    xhci.std(0x90, 0x09, bytes([0x14, 0xF0]) + bytes(16))
    funcs.append(xhci)
    ram = Function('00:14.2', 'RAM memory: Intel Corporation Device 7a27 (rev 11)', 0x8086, 0x7A27, 0x050000,
                   rev=0x11, size=256, subsystem=(0x1043, 0x8882))
    ram.bar(0, 0x0111C004, '16K', 'Memory at 600111c000 (64-bit, non-prefetchable)', upper=0x60)
    ram.bar(2, 0x01123004, '4K', 'Memory at 6001123000 (64-bit, non-prefetchable)', upper=0x60)
    pm(ram, 0x50)
    ram.std(0x80, 0x09, bytes([0x14, 0xF0]) + bytes(16))
    funcs.append(ram)

    sata = Function('00:17.0', 'SATA controller: Intel Corporation Device 7a62 (rev 11) (prog-if 01 [AHCI 1.0])',
                    0x8086, 0x7A62, 0x010601, rev=0x11, size=256, subsystem=(0x1043, 0x8882))
    sata.w16(6, 0x02B0)
    sata.bar(0, 0xFC800000, '8K', 'Memory at fc800000 (32-bit, non-prefetchable)')
    sata.bar(1, 0xFC803000, '256', 'Memory at fc803000 (32-bit, non-prefetchable)')
    sata.bar(2, 0x00004091, '8', 'I/O ports at 4090')
    sata.bar(3, 0x00004081, '4', 'I/O ports at 4080')
    sata.bar(4, 0x00004061, '32', 'I/O ports at 4060')
    sata.bar(5, 0xFC802000, '2K', 'Memory at fc802000 (32-bit, non-prefetchable)')
    sata.w8(0x3D, 1); sata.w8(0x3C, 0xFF)
    msi(sata, 0x80)
    pm(sata, 0x70)
    sata.std(0xA8, 0x12, d16(0x0010) + d32(0x00000048))
    funcs.append(sata)

    return sorted(funcs, key=lambda f: f.bdf)


def main():
    header = ('# Brisco modern machine: a current PC with PCI Express and 4 KiB configuration spaces.\n'
              '# Made by machines/make-modern.py in lspci\'s dump format; see docs/machine-image.md.\n\n')
    with open(os.path.join(HERE, 'modern.txt'), 'w') as out:
        out.write(header + ''.join(f.dump() for f in machine()))


if __name__ == '__main__':
    main()
