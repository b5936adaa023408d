// Resource identifiers of Vindra.exe.
#pragma once
#define IDI_VINDRA 1
