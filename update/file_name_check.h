// Refuses listed names that would leave the working directory.
#pragma once
#include <string>
#include "update/extension.h"

// Returns true for a relative name that stays below the working directory:
// not starting with '\' or '/', no ':' anywhere, no ".." component, not empty.
bool IsSafeFileName(const std::string& name, LeadBytePredicate isLeadByte);
