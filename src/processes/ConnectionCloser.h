// The one reset of a connection both closers make (Close Connection and the black list).
#pragma once

#include "processes/RowActions.h"

struct IpHelperApi;

// Asks the system to reset the connection through SetTcpEntry; true when it answered success. False,
// without a call, when the library or its SetTcpEntry is missing. Can block: never call it under a lock.
bool ResetConnection(const IpHelperApi* api, const TcpDeleteRow& target);
