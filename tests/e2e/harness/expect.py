"""The launcher's texts as bytes, and checks shared by the scenarios."""

LAUNCHER_TITLE = b"Korvan / Windows\x94\xc5"
WINDOW_CLASS = "WC_KORVAN_WIN_APP_LAUNCHER"

BASE_URL_DOWNLOAD_FAILED = ("アプリケーションの更新情報を取得できませんでした\r\n\r\n"
                            "インターネットに接続していることを確認してください").encode("cp932")
INVALID_BASEURL_HTTP = b"INVALID BASEURL HTTP"
VERIFY_FAILED = (" invalid md5\r\n\r\n※このエラーが出る場合にはコンピュータの再起動が必要な場合があります\r\n"
                 "※Korvanを起動している場合には終了してください\r\n").encode("cp932")
INVALID_FILE_NAME = b" invalid file name"

WS_POPUP_CAPTION_SYSMENU = 0x80C80000
WS_VISIBLE = 0x10000000
WS_CLIPSIBLINGS = 0x04000000
WS_EX_TOOLWINDOW_TOPMOST = 0x88
PROGRESS_STYLE = 0x50000001   # WS_CHILD | WS_VISIBLE | PBS_SMOOTH
WSAECONNREFUSED = 10061


def start_lines(args=b""):
    return [b"---- update ----\r\n", b"lpCmdLine=" + args + b"\r\n"]


def download_lines(*names):
    out = []
    for n in names:
        n = n.encode() if isinstance(n, str) else n
        out += [b"GOING DOWNLOAD " + n + b" BEGIN\r\n", b"GOING DOWNLOAD " + n + b" END\r\n"]
    return out


def check_window(window, visible=True):
    """The launcher window's class, title, styles, size and place."""
    assert window["class"] == WINDOW_CLASS
    assert bytes.fromhex(window["title_hex"]) == LAUNCHER_TITLE
    style = window["style"] & ~(WS_CLIPSIBLINGS | 0x08000000)  # system bits; WS_DISABLED under a box
    assert style == WS_POPUP_CAPTION_SYSMENU | (WS_VISIBLE if visible else 0)
    assert window["exstyle"] & 0xFF == WS_EX_TOOLWINDOW_TOPMOST
    assert window["client"] == [320, 32]
    left, top, right, bottom = window["work_area"]
    x, y, r, b = window["rect"]
    w, h = r - x, b - y
    assert x == left + int(((right - left) - w) / 2)
    assert y == top + int(((bottom - top) - h) / 2)
    overall, file_bar = window["bars"]
    for bar, rect in ((overall, [0, 0, 320, 16]), (file_bar, [0, 16, 320, 32])):
        assert bar["exists"] and bar["class"] == "msctls_progress32"
        assert bar["rect"] == rect
        assert bar["style"] & ~0x10000000 == PROGRESS_STYLE & ~0x10000000
    assert window["children"] == 2
    return overall, file_bar
