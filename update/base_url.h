// The download base URL, learned at start-up from the maker's web server.
#pragma once
#include <string>

// "http://..." once DiscoverBaseUrl succeeded; empty before.
extern std::string BaseUrl;

// Returns the text of BaseUrl, or "" while it is empty; never null.
const char* GetBaseUrl();

// Fetches the resource-information text and sets BaseUrl. Returns true on
// success; false after showing the reason in a message box.
bool DiscoverBaseUrl();

// The same with the resource-information text at resourceInfoUrl.
bool DiscoverBaseUrlFrom(const char* resourceInfoUrl);
