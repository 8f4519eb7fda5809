// The extension rule for listed names, aware of double-byte code pages.
#pragma once
#include <string>

// Tells whether a byte starts a double-byte character of the code page in use.
using LeadBytePredicate = bool (*)(unsigned char byte);

// Lead bytes of code page 932 (Shift-JIS).
bool IsCp932LeadByte(unsigned char byte);

// Returns the text from the last '.' after the last '\', '/' (and a leading
// drive "X:") to the end, dot included; empty when there is no such dot.
std::string NameExtension(const std::string& name, LeadBytePredicate isLeadByte);

// Returns true when ext equals asciiExt (".exe") with ASCII letters of either case.
bool ExtensionEqualsIgnoringCase(const std::string& ext, const char* asciiExt,
                                 LeadBytePredicate isLeadByte);

// Returns true for names whose extension is ".exe" or ".dll" in any letter case.
bool IsGameFileName(const std::string& name, LeadBytePredicate isLeadByte);
