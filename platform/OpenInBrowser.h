#pragma once
// Opening an address in the user's default browser.

class QString;

// Hands an address to the user's default browser and returns at once. The address is passed as
// given, scheme or not; when nothing can open it, nothing is reported.
void OpenInBrowser(const QString& address);
