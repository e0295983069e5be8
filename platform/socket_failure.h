#pragma once

#include "base/failure.h"

// "Socket Error # <code>" + CR LF + the system's text for the code.
Failure socketFailure(int code);
