// The stand-in: its control surface arranges the token.
#include <standin/control.h>

#include <vector>

#include "platform.h"
#include "platform_common.inc"

namespace conformance {

bool UnderWine() { return false; }
void UseAdministratorToken() { standin::UseElevatedToken(true); }
bool CanUseStandardUserToken() { return true; }
void UseStandardUserToken() { standin::UseElevatedToken(false); }

}  // namespace conformance
