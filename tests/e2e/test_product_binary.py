"""The shipped 32-bit launcher.exe, inspected (it cannot run on these machines)."""
import os
import struct
import subprocess

import pytest

from pe_resources import PeFile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PRODUCT = os.path.join(ROOT, "build", "win32", "launcher.exe")
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


@pytest.fixture(scope="module")
def product():
    if not os.path.exists(PRODUCT):
        pytest.fail("build/win32/launcher.exe was not built")
    return PeFile(PRODUCT)


def test_is_a_32_bit_gui_program(product):
    description = subprocess.run(["file", "-b", PRODUCT], capture_output=True, text=True).stdout
    assert description.startswith("PE32 executable (GUI) Intel 80386"), description
    assert product.machine == 0x14C and product.subsystem == 2


def test_needs_no_mingw_runtime_dll(product):
    dlls = [d.lower() for d in product.imported_dlls()]
    assert "wsock32.dll" in dlls
    for forbidden in ("libgcc", "libstdc++", "libwinpthread", "zlib1", "ws2_32"):
        assert not any(forbidden in d for d in dlls), dlls


def test_carries_one_icon_group_with_its_icons(product):
    res = product.resources()
    groups = [k for k in res if k[0] == RT_GROUP_ICON]
    assert len(groups) == 1
    reserved, kind, count = struct.unpack_from("<HHH", res[groups[0]], 0)
    assert (reserved, kind) == (0, 1) and count >= 1
    icon_ids = {k[1] for k in res if k[0] == RT_ICON}
    for i in range(count):
        assert struct.unpack_from("<H", res[groups[0]], 6 + 14 * i + 12)[0] in icon_ids


def test_version_is_1_3_0_1_in_japanese_named_launcher_exe(product):
    versions = {k: v for k, v in product.resources().items() if k[0] == RT_VERSION}
    assert [k[2] for k in versions] == [0x0411]
    block = next(iter(versions.values()))
    fixed = block.index(struct.pack("<I", 0xFEEF04BD))
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", block, fixed + 8)
    assert (file_ms, file_ls) == ((1 << 16) | 3, (0 << 16) | 1)
    assert (product_ms, product_ls) == (file_ms, file_ls)
    text = block.decode("utf-16-le", errors="replace")
    assert "OriginalFilename\0launcher.exe" in text.replace("\0\0", "\0")
    assert "041103a4" in text.lower()


def test_manifest_asks_for_common_controls_6_and_as_invoker(product):
    manifests = [v for k, v in product.resources().items() if k[0] == RT_MANIFEST]
    assert len(manifests) == 1
    xml = manifests[0].decode("utf-8")
    assert 'name="Microsoft.Windows.Common-Controls"' in xml
    assert 'version="6.0.0.0"' in xml
    assert 'level="asInvoker"' in xml
