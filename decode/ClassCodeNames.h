#pragma once
// Names of PCI base classes and of (class, subclass, programming interface) triples.
#include <stdint.h>

class CClassCodeNames
{
public:
    // The base class name, or "" for class 00h and for classes above 11h.
    static const char* FindClassName(uint8_t baseClass);

    // The name of the exactly matching entry, or ""; there is no fallback to a
    // name for the subclass alone, so an unlisted programming interface gives "".
    static const char* FindSubclassName(uint8_t baseClass, uint8_t subclass, uint8_t programmingInterface);
};
