"""Reads the headers, resource tree and imports of a PE file (32 or 64 bit)."""
import struct


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        assert d[pe:pe + 4] == b"PE\0\0", "not a PE file"
        (self.machine, sections, self.timestamp, self.symbol_table, self.symbol_count, opt_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", d, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", d, opt)[0]
        self.os_version = struct.unpack_from("<HH", d, opt + 40)
        self.subsystem_version = struct.unpack_from("<HH", d, opt + 48)
        self.subsystem = struct.unpack_from("<H", d, opt + 68)[0]
        dirs = opt + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", d, dirs + 8 * i) for i in range(16)]
        self.sections = []
        self.section_names = []
        table = opt + opt_size
        for i in range(sections):
            name, vsize, vaddr, rsize, roff = struct.unpack_from("<8sIIII", d, table + 40 * i)
            self.sections.append((vaddr, max(vsize, rsize), roff))
            self.section_names.append(self._section_name(name.rstrip(b"\0")))

    def _section_name(self, raw):
        """A name "/N" stands for offset N in the string table after the symbols."""
        if not raw.startswith(b"/"):
            return raw.decode("ascii")
        at = self.symbol_table + 18 * self.symbol_count + int(raw[1:])
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def section(self, name):
        """Returns the raw bytes of the named section."""
        i = self.section_names.index(name)
        vaddr, size, roff = self.sections[i]
        return self.data[roff:roff + size]

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

    def _string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imports(self):
        """Returns [(dll, function)]; a function imported by ordinal is "#N"."""
        rva, size = self.directories[1]
        wide = self.magic != 0x10B
        entry, by_ordinal = (8, 1 << 63) if wide else (4, 1 << 31)
        out = []
        at = self.offset(rva)
        while True:
            desc = struct.unpack_from("<IIIII", self.data, at)
            if desc == (0, 0, 0, 0, 0):
                return out
            dll = self._string(desc[3])
            thunk = self.offset(desc[0] or desc[4])
            while True:
                value = struct.unpack_from("<Q" if wide else "<I", self.data, thunk)[0]
                if not value:
                    break
                out.append((dll, "#%d" % (value & 0xFFFF) if value & by_ordinal else self._string(value + 2)))
                thunk += entry
            at += 20

    def imported_dlls(self):
        names = []
        for dll, _ in self.imports():
            if dll not in names:
                names.append(dll)
        return names
