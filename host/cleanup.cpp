#include "cleanup.h"

void QuillaretWorkspaceClenup::run()
{
}
