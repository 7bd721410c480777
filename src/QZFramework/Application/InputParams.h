#pragma once
// The input records live with the control base, which reads them; this path
// stays for the application's code.

#include "QZFramework/ControlBase/InputParams.h"
