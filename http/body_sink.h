// Something that sees a download's body as it is stored, for example to hash it.
#pragma once
#include <stddef.h>

class BodySink {
public:
    virtual ~BodySink() = default;
    // The stored body starts again from its first byte: forget every byte seen.
    virtual void Restart() = 0;
    // Takes the next size bytes of the body.
    virtual void Add(const void* data, size_t size) = 0;
};
