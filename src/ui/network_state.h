// Whether the machine is online, as the system reports it.
#pragma once

// IsNetworkAlive (sensapi.dll, loaded at run time: it is absent on some systems), then
// InternetGetConnectedState.
bool IsNetworkConnected();
