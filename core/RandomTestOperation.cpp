#include "core/RandomTestOperation.h"

RandomTestOperation::~RandomTestOperation() = default;
