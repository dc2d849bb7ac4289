#include "station/engine/jobs/function_type.h"

namespace station {

bool IsJobFunction(int funcType) {
    switch (funcType) {
    case 1: case 2: case 4: case 5: case 8: case 9: case 12: case 13: case 16:
        return true;
    default:
        return false;
    }
}

const char* ButtonCaption(int funcType) {
    switch (funcType) {
    case 1: return "烧录";
    case 2: return "擦除";
    case 4: return "校准";
    case 8: return "测试";
    case 5: return "烧+校";
    case 9: return "烧+测";
    case 12: return "校+测";
    case 13: return "烧+校+测";
    case 16: return "GPS烧录";
    default: return kStopCaption;
    }
}

}  // namespace station
