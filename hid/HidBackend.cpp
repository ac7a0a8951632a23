#include "hid/HidBackend.h"

#include "hid/HidapiBackend.h"


HidBackend &HidBackend::platform()
{
    static HidapiBackend hidapi;
    return hidapi;
}
