"""The shipped 32-bit launcher.exe, inspected (it cannot run on these machines)."""
import os
import shutil
import struct
import subprocess
import zlib

import pytest

from harness import expect
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


# The shipped programs of the i686 build, each beside its debug file, and the
# launcher with every build option (build/win32-full).
SHIPPED = ["launcher.exe", "publish/korvan-publish.exe"]
FULL = "../win32-full/launcher.exe"
XP_IMPORTS = os.path.join(ROOT, "tests", "e2e", "xp_imports.txt")
# What only the build options' parts may import besides.
XP_OPTION_IMPORTS = os.path.join(ROOT, "tests", "e2e", "xp_imports_options.txt")


def shipped(name):
    path = os.path.join(ROOT, "build", "win32", name)
    if not os.path.exists(path):
        pytest.fail("build/win32/%s was not built" % name)
    return path


def allowed_imports(*lists):
    """Returns {(dll, function): oldest Windows} from the allow-lists."""
    allowed = {}
    for path in lists:
        with open(path) as f:
            for line in f:
                if line.strip() and not line.startswith("#"):
                    dll, function, oldest, _source = line.split()
                    allowed[(dll.lower(), function)] = oldest
    return allowed


@pytest.mark.parametrize("name", SHIPPED + [FULL])
def test_imports_only_functions_of_windows_xp(name):
    lists = [XP_IMPORTS] + ([XP_OPTION_IMPORTS] if name == FULL else [])
    allowed = allowed_imports(*lists)
    assert set(allowed.values()) <= {"2000", "XP"}
    imports = PeFile(shipped(name)).imports()
    assert imports
    missing = sorted("%s %s" % (dll, fn) for dll, fn in imports if (dll.lower(), fn) not in allowed)
    assert not missing, "imports not on %s: %s" % (" or ".join(os.path.basename(p) for p in lists), missing)
    assert "GetTickCount64" not in [fn for _, fn in imports]
    # The plain launcher carries none of the signed releases' code.
    crypto = [fn for dll, fn in imports if dll.lower() == "crypt32.dll" or fn.startswith("Crypt")]
    assert bool(crypto) == (name == FULL), crypto


@pytest.mark.parametrize("name", SHIPPED)
def test_header_allows_xp_and_binary_has_no_time_symbols_or_build_path(name):
    path = shipped(name)
    pe = PeFile(path)
    assert pe.os_version <= (5, 1) and pe.subsystem_version <= (5, 1)
    assert pe.timestamp == 0
    assert pe.symbol_count == 0
    assert not [s for s in pe.section_names if s.startswith(".debug")], pe.section_names
    assert pe.directories[4] == (0, 0), "signed although no certificate was configured"
    # The debug link names the debug file beside it and holds its CRC-32.
    link = pe.section(".gnu_debuglink")
    debug_name = os.path.basename(path) + ".debug"
    assert link[:link.index(b"\0")] == debug_name.encode()
    with open(path + ".debug", "rb") as f:
        debug = f.read()
    assert struct.unpack_from("<I", link, (len(debug_name) + 4) & ~3)[0] == zlib.crc32(debug)
    assert b".debug_line" in debug
    for data in (pe.data, debug):
        assert os.fsencode(ROOT) + b"/" not in data


def cmake_build(source, build, *options, targets=("launcher", "korvan-publish")):
    """Configures and builds targets in a fresh folder. Returns cmake's last result."""
    shutil.rmtree(build, ignore_errors=True)
    done = subprocess.run(["cmake", "-S", source, "-B", build, "-G", "Ninja"] + list(options),
                          capture_output=True, text=True)
    if done.returncode == 0:
        done = subprocess.run(["cmake", "--build", build, "-j2", "--target"] + list(targets),
                              capture_output=True, text=True)
    return done


def test_two_clean_builds_in_other_folders_are_byte_identical():
    """The second build also has its sources in another folder."""
    copy = os.path.join(ROOT, "build", "repro-b", "src")
    shutil.rmtree(os.path.dirname(copy), ignore_errors=True)
    files = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, capture_output=True, check=True).stdout
    for name in filter(None, files.decode().split("\0")):
        if os.path.exists(os.path.join(ROOT, name)):
            os.makedirs(os.path.dirname(os.path.join(copy, name)), exist_ok=True)
            shutil.copy2(os.path.join(ROOT, name), os.path.join(copy, name))
    builds = [(ROOT, os.path.join(ROOT, "build", "repro-a")), (copy, os.path.join(ROOT, "build", "repro-b", "out"))]
    for source, build in builds:
        done = cmake_build(source, build, "-DCMAKE_TOOLCHAIN_FILE=%s/cmake/mingw-i686.cmake" % source,
                           "-DCMAKE_BUILD_TYPE=MinSizeRel", "-DKORVAN_TESTS=OFF")
        assert done.returncode == 0, done.stdout + done.stderr
    for name in SHIPPED:
        for suffix in ("", ".debug"):
            with open(os.path.join(builds[0][1], name + suffix), "rb") as a, \
                    open(os.path.join(builds[1][1], name + suffix), "rb") as b:
                assert a.read() == b.read(), "%s%s differs between the two builds" % (name, suffix)


def openssl(*args, cwd):
    subprocess.run(["openssl"] + list(args), cwd=cwd, check=True, capture_output=True)


@pytest.fixture(scope="module")
def signing(tmp_path_factory):
    """A throwaway CA and a code-signing certificate it issued, as PKCS#12 with a password file."""
    d = str(tmp_path_factory.mktemp("signing"))
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "2",
            "-subj", "/CN=Throwaway test CA", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign", cwd=d)
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "sign.key", "-out", "sign.csr",
            "-subj", "/CN=Korvan test signer", cwd=d)
    with open(os.path.join(d, "ext.cnf"), "w") as f:
        f.write("extendedKeyUsage=codeSigning\nkeyUsage=digitalSignature\n")
    openssl("x509", "-req", "-in", "sign.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
            "-out", "sign.pem", "-days", "2", "-extfile", "ext.cnf", cwd=d)
    with open(os.path.join(d, "pass.txt"), "w") as f:
        f.write("throwaway\n")
    openssl("pkcs12", "-export", "-in", "sign.pem", "-inkey", "sign.key", "-out", "cert.p12",
            "-passout", "pass:throwaway", cwd=d)
    return d


def sign_options(directory, pkcs12="cert.p12", password="pass.txt"):
    return ["-DCMAKE_TOOLCHAIN_FILE=%s/cmake/mingw-x86_64.cmake" % ROOT, "-DCMAKE_BUILD_TYPE=MinSizeRel",
            "-DKORVAN_TESTS=OFF", "-DKORVAN_SERVER=localhost:47080",
            "-DKORVAN_SIGN_PKCS12=" + os.path.join(directory, pkcs12),
            "-DKORVAN_SIGN_PASSWORD_FILE=" + os.path.join(directory, password)]


def test_signed_launcher_verifies_and_runs(signing, scenario):
    """Built with a certificate, the x86_64 launcher carries a SHA-256 Authenticode
    signature from it, stays stripped, and starts as before: without a resource
    information text it says so in its message box."""
    build = os.path.join(ROOT, "build", "signed")
    done = cmake_build(ROOT, build, *sign_options(signing), targets=("launcher",))
    assert done.returncode == 0, done.stdout + done.stderr
    exe = os.path.join(build, "launcher.exe")
    verify = subprocess.run(["osslsigncode", "verify", "-CAfile", os.path.join(signing, "ca.pem"), "-in", exe],
                            capture_output=True, text=True)
    assert verify.returncode == 0, verify.stdout + verify.stderr
    assert "Signature verification: ok" in verify.stdout
    assert "sha256" in verify.stdout.lower()
    assert "Korvan test signer" in verify.stdout
    pe = PeFile(exe)
    assert pe.directories[4] != (0, 0) and pe.symbol_count == 0
    assert ".gnu_debuglink" in pe.section_names

    scenario.remove_resinfo()
    folder = scenario.game_folder()
    shutil.copy(exe, folder.launcher)
    run = scenario.start(folder)
    box = run.wait_msgbox(timeout=60)
    assert (box["caption"], box["text"]) == (expect.LAUNCHER_TITLE, expect.BASE_URL_DOWNLOAD_FAILED)
    run.press(1)
    assert run.wait(30) == 0

    # A wrong password fails the build and leaves no unsigned launcher behind.
    with open(os.path.join(signing, "wrong.txt"), "w") as f:
        f.write("not it\n")
    subprocess.run(["cmake", build, "-DKORVAN_SIGN_PASSWORD_FILE=" + os.path.join(signing, "wrong.txt")],
                   check=True, capture_output=True)
    done = subprocess.run(["cmake", "--build", build, "--target", "launcher"], capture_output=True, text=True)
    assert done.returncode != 0
    assert "osslsigncode sign failed" in done.stdout + done.stderr
    assert not os.path.exists(exe)


@pytest.mark.parametrize("pkcs12, password, named", [
    ("missing.p12", "pass.txt", "KORVAN_SIGN_PKCS12 '{d}/missing.p12'"),
    ("cert.p12", "", "KORVAN_SIGN_PASSWORD_FILE '{d}"),
], ids=["missing certificate", "password file is a folder"])
def test_signing_without_a_readable_file_fails_the_configure(signing, tmp_path, pkcs12, password, named):
    done = cmake_build(ROOT, str(tmp_path / "build"), *sign_options(signing, pkcs12, password))
    assert done.returncode != 0
    # cmake wraps long messages
    text = " ".join(done.stderr.split())
    assert "Signing: " + named.format(d=signing) in text and "is missing or not a readable file" in text
