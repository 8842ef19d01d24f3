#!/usr/bin/env python3
"""Reads a built Windows exe and checks what it promises about Windows versions.

  check_exe.py imports EXE ALLOWED   the header asks for Windows 5.1 (XP) and every
                                     imported DLL!function is in the file ALLOWED
  check_exe.py manifest EXE          resource type 24, identifier 1, is the manifest
                                     the program ships with
Prints what it found; exits 1 on the first broken promise.
"""
import struct
import sys
import xml.etree.ElementTree as ET

OLDEST = (5, 1)  # Windows XP
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10 and 11",
}
RT_MANIFEST = 24


class Image:
    """Just enough of a 32-bit PE file: header versions, imports, resources."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        if self.data[:2] != b"MZ" or self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("%s is not a PE file" % path)
        sections, optional_size = struct.unpack_from("<2xH12xH", self.data, pe + 4)
        opt = pe + 24
        if struct.unpack_from("<H", self.data, opt)[0] != 0x10B:
            raise ValueError("%s is not a 32-bit PE file" % path)
        self.os_version = struct.unpack_from("<HH", self.data, opt + 40)
        self.subsystem_version = struct.unpack_from("<HH", self.data, opt + 48)
        self.directories = [struct.unpack_from("<II", self.data, opt + 96 + 8 * i) for i in range(16)]
        self.sections = [struct.unpack_from("<8xIIII", self.data, opt + optional_size + 40 * i)
                         for i in range(sections)]

    def offset(self, rva):
        for size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError("address %#x lies in no section" % rva)

    def u32(self, rva):
        return struct.unpack_from("<I", self.data, self.offset(rva))[0]

    def text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imports(self):
        """DLL!function for every import by name, DLL!#n for one by ordinal."""
        found = set()
        rva = self.directories[1][0]
        while rva and self.u32(rva + 12):
            lookup, name = self.u32(rva) or self.u32(rva + 16), self.text(self.u32(rva + 12)).lower()
            while self.u32(lookup):
                entry = self.u32(lookup)
                found.add("%s!%s" % (name, "#%d" % (entry & 0xFFFF) if entry & 0x80000000 else self.text(entry + 2)))
                lookup += 4
            rva += 20
        return found

    def resource(self, kind, ident):
        """The bytes of the first language of resource kind/ident, or None."""
        root = self.directories[2][0]
        if not root:
            return None
        entry = root
        for wanted in (kind, ident, None):
            named, numbered = struct.unpack_from("<12xHH", self.data, self.offset(entry))
            for i in range(named + numbered):
                key, value = struct.unpack_from("<II", self.data, self.offset(entry + 16 + 8 * i))
                if wanted is None or (not key & 0x80000000 and key == wanted):
                    break
            else:
                return None
            if wanted is None or not value & 0x80000000:
                data_rva, size = struct.unpack_from("<II", self.data, self.offset(root + (value & 0x7FFFFFFF)))
                at = self.offset(data_rva)
                return self.data[at:at + size]
            entry = root + (value & 0x7FFFFFFF)
        return None


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def check_imports(exe, allowed_path):
    image = Image(exe)
    for what, version in (("subsystem", image.subsystem_version), ("OS", image.os_version)):
        print("%s version %d.%d" % (what, *version))
        if tuple(version) != OLDEST:
            fail("the header's %s version is not %d.%d" % (what, *OLDEST))
    with open(allowed_path) as f:
        entries = {line.split("#")[0].strip() for line in f} - {""}
    allowed = {"%s!%s" % (dll.lower(), function) for dll, function in (e.split("!") for e in entries)}
    imports = image.imports()
    print("%d imports, all checked against %s" % (len(imports), allowed_path))
    extra = sorted(imports - allowed)
    if extra:
        fail("imports that Windows XP SP3 may lack: " + ", ".join(extra))


def check_manifest(exe):
    data = Image(exe).resource(RT_MANIFEST, 1)
    if data is None:
        fail("no resource of type 24 with identifier 1")
    root = ET.fromstring(data)
    names = {element.tag.split("}")[-1]: element for element in root.iter()}
    found = [e.get("Id") for e in root.iter() if e.tag.endswith("}supportedOS")]
    print("manifest of %d bytes; supportedOS: %s" % (len(data), ", ".join(SUPPORTED_OS.get(i, i) for i in found)))
    controls = [e for e in root.iter() if e.tag.endswith("}assemblyIdentity")
                and e.get("name") == "Microsoft.Windows.Common-Controls"]
    if not controls or controls[0].get("version") != "6.0.0.0":
        fail("no dependency on the common controls version 6")
    if sorted(found) != sorted(SUPPORTED_OS):
        fail("the supportedOS entries are not Vista to 11")
    if "gdiScaling" not in names or names["gdiScaling"].text.strip() != "true":
        fail("gdiScaling is not true")
    if "requestedExecutionLevel" in names or "trustInfo" in names:
        fail("an execution level turns off the redirected writes of the settings file")


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "imports":
        check_imports(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 3 and sys.argv[1] == "manifest":
        check_manifest(sys.argv[2])
    else:
        print(__doc__)
        sys.exit(2)
