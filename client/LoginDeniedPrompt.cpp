#include "client/LoginDeniedPrompt.h"

LoginDeniedPrompt::~LoginDeniedPrompt() = default;
