// Lead bytes of the process's ANSI code page, for the name rules of extension.h.
#pragma once

// Returns true when byte starts a double-byte character of the ANSI code page.
bool IsAnsiLeadByte(unsigned char byte);
