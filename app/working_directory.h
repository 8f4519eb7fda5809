// Choosing the launcher's working directory at start-up.
#pragma once

// Makes the executable's folder current. Returns 0, or 1 after showing
// "ChangeDirectoryExeFriend failed".
int ChangeDirectoryExeFriend();

// Keeps the current folder when "./config.ini" exists; otherwise creates and
// enters R-FIG\korvan\130 under the local application data folder. Returns 0, or
// 1 after showing its failure message.
int ChangeDirectoryToLocalAppData();
