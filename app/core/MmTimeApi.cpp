#include "app/core/MmTimeApi.h"

MmTimeApi MmTimeApi::System()
{
    MmTimeApi api;
    api.timeGetTime = &::timeGetTime;
    api.timeBeginPeriod = &::timeBeginPeriod;
    api.timeEndPeriod = &::timeEndPeriod;
    api.timeSetEvent = &::timeSetEvent;
    api.timeKillEvent = &::timeKillEvent;
    return api;
}
