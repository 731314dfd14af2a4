#include "WinDet.h"

TWinDet::~TWinDet() = default;
