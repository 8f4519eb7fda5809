"""One end-to-end scenario: a web root served by nginx, game folders, launcher
runs and the log listener, with everything undone at the end."""
import glob
import os
import shutil
import urllib.parse

from . import release
from .paths import RESINFO_PATH
from .wine import GameFolder, LauncherRun

APPDATA_WORK = ("R-FIG", "korvan", "130")


class Scenario:
    def __init__(self, root, desktop, web, log):
        self.root = root
        self.desktop = desktop
        self.web = web
        self.log = log
        self.runs = []
        self.folders = []
        self.temp_before = set(self.temp_files())
        self.web_mark = len(web.requests())
        self.clear_appdata()

    # the server's side

    @property
    def resinfo_file(self):
        return os.path.join(self.web.root, RESINFO_PATH.lstrip("/"))

    def release_dir(self, name):
        return os.path.join(self.web.root, "r", name)

    def web_requests(self):
        """The requests nginx logged since the scenario began."""
        return self.web.requests()[self.web_mark:]

    def web_paths(self):
        return [r["path"] for r in self.web_requests()]

    def set_resinfo(self, text):
        release.write_resinfo(self.resinfo_file, text)

    def remove_resinfo(self):
        if os.path.exists(self.resinfo_file):
            os.remove(self.resinfo_file)

    def publish(self, name, files, base_url=None, again=False, extra=()):
        """Publishes {name: bytes} into the output folder /r/<name>/ (served at
        base_url, by default through nginx), which starts empty unless again,
        and points the resource-information text at the new release. Sets
        base_url to the release's base URL as the text names it and returns the
        release folder."""
        game = os.path.join(self.root, "maker-" + name)
        shutil.rmtree(game, ignore_errors=True)
        release.write_files(game, files)
        out = self.release_dir(name)
        if not again:
            shutil.rmtree(out, ignore_errors=True)
        url = base_url or self.web.url("/r/%s/" % name)
        self.published = release.publish(game, out, url, resinfo=self.resinfo_file, extra=extra)
        self.base_url, folder = release.named_release(out, self.resinfo_file)
        return folder

    def url_path(self, name):
        """The request path of a file of the named release: base URL path + name."""
        return urllib.parse.urlsplit(self.base_url).path + name

    # the player's side

    def game_folder(self, files=None, config_ini=True, game=True, name=None, launcher=None):
        folder = GameFolder(self.root, config_ini=config_ini, game=game, name=name or "game%d" % len(self.folders),
                            launcher=launcher)
        for n, data in (files or {}).items():
            folder.write(n, data)
        self.folders.append(folder)
        return folder

    def start(self, folder, args=b"", cwd=None, command_line=None):
        run = LauncherRun(self.desktop, folder, args, cwd=cwd, command_line=command_line)
        self.runs.append(run)
        if self.log.runs is not None:
            self.log.runs.append(run.token)
        return run

    def appdata_work_dir(self):
        return os.path.join(self.desktop.local_app_data(), *APPDATA_WORK)

    def clear_appdata(self):
        shutil.rmtree(os.path.join(self.desktop.local_app_data(), APPDATA_WORK[0]), ignore_errors=True)

    def temp_files(self):
        """The launcher's temporary files ("mj*.tmp") in the prefix's Temp folder."""
        return sorted(glob.glob(os.path.join(self.desktop.temp_dir(), "mj*.tmp")) +
                      glob.glob(os.path.join(self.desktop.temp_dir(), "MJ*.TMP")))

    def new_temp_files(self):
        return [f for f in self.temp_files() if f not in self.temp_before]

    def close(self):
        for run in self.runs:
            run.kill()
        for f in self.new_temp_files():
            os.remove(f)
        self.clear_appdata()
