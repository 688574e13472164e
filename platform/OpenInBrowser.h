#pragma once
// Opening an address in the user's default browser.

class QString;

// Hands an address to the user's default browser and returns at once. The address is passed as
// given, scheme or not. False when no opener could be started; what the browser then does with
// the address is not awaited.
bool OpenInBrowser(const QString& address);
