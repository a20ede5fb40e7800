"""Reads the resources of a Windows executable (PE) file."""
import struct

RT_MANIFEST = 24
RT_VERSION = 16


def resources(path):
    """{(type, name): bytes} of the first language of every resource; types and
    names that are numbers are ints, the others str."""
    with open(path, "rb") as source:
        data = source.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path} is not a PE file")
    section_count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    if rsrc_rva == 0:
        return {}
    sections = []
    for i in range(section_count):
        size, rva, raw_size, raw = struct.unpack_from("<IIII", data, optional + optional_size + 40 * i + 8)
        sections.append((rva, max(size, raw_size), raw))

    def offset(rva):
        for start, size, raw in sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} lies in no section")

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
