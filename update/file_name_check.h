// Refuses listed names that would leave the working directory.
#pragma once
#include <string>
#include "update/extension.h"

// Returns true for a relative name that stays below the working directory:
// not starting with '\' or '/', no ':' or NUL anywhere, no ".." component, no
// lead byte before a byte below 0x40, not empty.
bool IsSafeFileName(const std::string& name, LeadBytePredicate isLeadByte);
