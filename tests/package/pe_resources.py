"""Reads the header, imports and resources of a Windows executable (PE) file."""
import struct

RT_MANIFEST = 24
RT_VERSION = 16
MACHINES = {0x14C: "win32", 0x8664: "win64"}
SUBSYSTEM_GUI = 2


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as source:
            self.data = data = source.read()
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path} is not a PE file")
        self.machine, section_count = struct.unpack_from("<HH", data, pe + 4)
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        self.pe32_plus = magic == 0x20B
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        self.directories = optional + (112 if self.pe32_plus else 96)
        self.sections = []
        for i in range(section_count):
            size, rva, raw_size, raw = struct.unpack_from("<IIII", data, optional + optional_size + 40 * i + 8)
            self.sections.append((rva, max(size, raw_size), raw))

    def directory(self, index):
        return struct.unpack_from("<I", self.data, self.directories + 8 * index)[0]

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")


def architecture(path):
    """win32 or win64 (or the machine number when it is neither)."""
    machine = PeFile(path).machine
    return MACHINES.get(machine, machine)


def imported_dlls(path):
    """The names of the DLLs the program imports from, in lower case."""
    pe = PeFile(path)
    rva = pe.directory(1)
    names = []
    while rva:
        descriptor = struct.unpack_from("<IIIII", pe.data, pe.offset(rva))
        if not any(descriptor):
            break
        names.append(pe.string(descriptor[3]).lower())
        rva += 20
    return names


def resources(path):
    """{(type, name): bytes} of the first language of every resource; types and
    names that are numbers are ints, the others str."""
    pe = PeFile(path)
    data, offset = pe.data, pe.offset
    rsrc_rva = pe.directory(2)
    if rsrc_rva == 0:
        return {}
    base = offset(rsrc_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                at = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", data, at)[0]
                name = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            yield name, target

    found = {}
    for type_id, names in entries(0):
        for name, languages in entries(names & 0x7FFFFFFF):
            _, leaf = next(entries(languages & 0x7FFFFFFF))
            data_rva, size = struct.unpack_from("<II", data, base + leaf)
            found[(type_id, name)] = data[offset(data_rva):offset(data_rva) + size]
    return found
