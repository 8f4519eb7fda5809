"""Reads the resource tree and the imported DLL names of a PE file (32 or 64 bit)."""
import struct


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        assert d[pe:pe + 4] == b"PE\0\0", "not a PE file"
        self.machine, sections, _, _, _, opt_size, self.characteristics = struct.unpack_from("<HHIIIHH", d, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", d, opt)[0]
        self.subsystem = struct.unpack_from("<H", d, opt + 68)[0]
        dirs = opt + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", d, dirs + 8 * i) for i in range(16)]
        self.sections = []
        table = opt + opt_size
        for i in range(sections):
            name, vsize, vaddr, rsize, roff = struct.unpack_from("<8sIIII", d, table + 40 * i)
            self.sections.append((vaddr, max(vsize, rsize), roff))

    def offset(self, rva):
        for vaddr, size, roff in self.sections:
            if vaddr <= rva < vaddr + size:
                return roff + rva - vaddr
        raise ValueError("RVA outside every section: %#x" % rva)

    def resources(self):
        """Returns {(type, name, language): bytes}; ids are ints, names strings."""
        rva, size = self.directories[2]
        if not rva:
            return {}
        base = self.offset(rva)
        out = {}

        def entries(offset):
            named, ids = struct.unpack_from("<HH", self.data, base + offset + 12)
            for i in range(named + ids):
                key, target = struct.unpack_from("<II", self.data, base + offset + 16 + 8 * i)
                if key & 0x80000000:
                    at = base + (key & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield key, target

        for rtype, t in entries(0):
            for name, n in entries(t & 0x7FFFFFFF):
                for lang, leaf in entries(n & 0x7FFFFFFF):
                    data_rva, data_size = struct.unpack_from("<II", self.data, base + leaf)
                    at = self.offset(data_rva)
                    out[(rtype, name, lang)] = self.data[at:at + data_size]
        return out

    def imported_dlls(self):
        rva, size = self.directories[1]
        names = []
        at = self.offset(rva)
        while True:
            desc = struct.unpack_from("<IIIII", self.data, at)
            if desc == (0, 0, 0, 0, 0):
                return names
            name_at = self.offset(desc[3])
            names.append(self.data[name_at:self.data.index(b"\0", name_at)].decode("ascii"))
            at += 20
