"""Where things are: the checkout, the builds, the Wine loader, the maker's web server."""
import os

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WIN64 = os.path.join(TOP, "build", "win64")
NATIVE = os.path.join(TOP, "build", "native")

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"

PUBLISH_TOOL = os.path.join(NATIVE, "publish", "korvan-publish")
# The demo's game, built beside launcher.exe (demo/sample_game.cpp).
SAMPLE_GAME_EXE = os.path.join(WIN64, "sample_game.exe")
# The x86_64 launcher built with the test release key (scripts/common.sh).
SIGNED_LAUNCHER_EXE = os.path.join(TOP, "build", "win64-signed", "launcher.exe")
# The launcher with every build option (scripts/common.sh full_options): the
# test release key and the lowest release number 2.
FULL_LAUNCHER_EXE = os.path.join(TOP, "build", "win64-full", "launcher.exe")
FULL_MIN_RELEASE = 2
RELEASE_KEY = os.path.join(TOP, "build", "keys", "release-key.pem")
# The maker's nginx configuration, shipped with korvan-publish.
RELEASE_CONF = os.path.join(TOP, "publish", "nginx", "korvan-release.conf")

# The x86_64 launchers are built for this web server (scripts/common.sh).
SERVER_HOST = "localhost"
SERVER_PORT = 47080
RESINFO_PATH = "/1/resinfo-release130.txt"


def windows_path(unix_path):
    """Returns the path as Wine programs see it through drive Z:."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")
