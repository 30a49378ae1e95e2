// Windows stand-in: <ole2.h> gathers the COM and automation headers.
#pragma once
#include <objbase.h>
#include <oleauto.h>
