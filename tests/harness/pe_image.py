"""Reads what the tests check in a 64-bit Windows program file without running it: the
libraries its import table names and the resources it carries (the application manifest)."""
import struct

RT_MANIFEST = 24


class PeImage:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not a Windows program file")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        if struct.unpack_from("<H", data, optional)[0] != 0x20B:
            raise ValueError("not a 64-bit program")
        directory_count = struct.unpack_from("<I", data, optional + 108)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 112 + 8 * i)
                            for i in range(directory_count)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from(
                "<IIII", data, table + 40 * i + 8)
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_offset))

    @classmethod
    def read(cls, path):
        with open(path, "rb") as f:
            return cls(f.read())

    def offset(self, rva):
        for address, size, raw in self.sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError("address 0x%x is in no section" % rva)

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imported_libraries(self):
        """The library names of the import table (directory 1), as written there."""
        rva, size = self.directories[1]
        names = []
        entry = self.offset(rva)
        while True:
            name_rva = struct.unpack_from("<I", self.data, entry + 12)[0]
            if name_rva == 0:
                return names
            names.append(self.c_string(name_rva))
            entry += 20

    def resources(self, type_id):
        """The bytes of every resource of a numeric type: {(name id, language): bytes}."""
        root_rva, _ = self.directories[2]
        if root_rva == 0:
            return {}
        root = self.offset(root_rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                yield ident, target

        found = {}
        for ident, target in entries(root):
            if ident != type_id or not target & 0x80000000:
                continue
            names = root + (target & 0x7FFFFFFF)
            for name, name_target in entries(names):
                languages = root + (name_target & 0x7FFFFFFF)
                for language, data_entry in entries(languages):
                    data_rva, data_size = struct.unpack_from("<II", self.data, root + data_entry)
                    start = self.offset(data_rva)
                    found[(name, language)] = self.data[start:start + data_size]
        return found
