#pragma once
#include "pirrow/session.h"

namespace pirrow {

// The last slot of the PCBA test: with a negative --third the payment mark
// (old mark read, else payment enable, model id and new mark), otherwise the
// device's third-function check. True when the slot passed.
bool RunPaymentSlot(Session& s);

}  // namespace pirrow
