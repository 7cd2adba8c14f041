#include "CardTestSupport.h"

long SharedUserCount()
{
    HANDLE m = OpenFileMappingW(FILE_MAP_READ, FALSE, L"BrivantOvx500proFileMappingObject");
    if (!m)
        return -1;
    long count = -1;
    if (void* view = MapViewOfFile(m, FILE_MAP_READ, 0, 0, 4)) {
        count = *static_cast<volatile long*>(view);
        UnmapViewOfFile(view);
    }
    CloseHandle(m);
    return count;
}
