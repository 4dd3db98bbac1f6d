#include "tic/InputTic.h"

const InputTic *InputTic::current = nullptr;
