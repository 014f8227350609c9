#pragma once

// One place in the random test's mix.
class RandomTestOperation {
public:
    virtual ~RandomTestOperation();
    // Before the timed loop: reset whatever the operation counts.
    virtual void prepare() = 0;
    // One operation, inside the timed loop.
    virtual void execute() = 0;
    virtual void clearPixelCount() = 0;
};
