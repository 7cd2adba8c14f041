// ovx500u: the Ovx500 overlay/keyer card library.
//
// Up to 16 cards, indexed 0..15; the card index is always the last argument. Results are 1
// for success and 0 for failure unless a comment says otherwise. Every function that takes a
// card index answers 0 (or does nothing) for a card that is not open.
#ifndef OVX500U_H
#define OVX500U_H

#if defined(OVX500U_BUILD)
#define OVCG_API __declspec(dllexport)
#else
#define OVCG_API __declspec(dllimport)
#endif
// The importer links these C++ functions by their decorated names; the caller cleans the stack.
#define OVCG_CALL __cdecl

// Life cycle, discovery and versions.
OVCG_API int OVCG_CALL OVCG_GetCardNum(void);
OVCG_API int OVCG_CALL OVCG_Initial(unsigned int card, int mode);
OVCG_API int OVCG_CALL OVCG_Close(unsigned int card);
OVCG_API void OVCG_CALL OVCG_RestoreDefault(unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetSdkVersion(unsigned int* version);
OVCG_API int OVCG_CALL OVCG_GetBoardVersion(unsigned int* version, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetFPGAVersion(unsigned int* version, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetDriverVersion(unsigned int* version, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetCardTypeNo(unsigned long& type, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetMemAddress(void*& address, unsigned int card);

// Field events (signalled at every video field) and the field number.
OVCG_API int OVCG_CALL OVCG_InitialEvent(const unsigned short* name, unsigned int card);
OVCG_API void* OVCG_CALL OVCG_GetEvent(const unsigned short* name, unsigned int card);
OVCG_API void* OVCG_CALL OVCG_InitialEventEx(const unsigned short* name, unsigned int card);
OVCG_API void OVCG_CALL OVCG_CloseEvent(const unsigned short* name, unsigned int card);
OVCG_API void OVCG_CALL OVCG_CloseEventEx(void* event, unsigned int card);
OVCG_API void OVCG_CALL OVCG_CloseAllEvent(unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetFieldNo(unsigned long& field, unsigned int card);

// Video settings, kept in the card's settings memory.
OVCG_API int OVCG_CALL OVCG_GetVideoMode(unsigned long& mode, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetVideoMode(unsigned long mode, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetInnerOrExtraSync(unsigned long& internal, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetInnerOrExtraSync(unsigned long internal, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetVideoInputStatus(unsigned long& status, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetCmpsOrSvideo(unsigned long& input, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetCmpsOrSvideo(unsigned long input, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetVideoBlackLevel(unsigned long& level, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetVideoBlackLevel(unsigned long level, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetTVORVTR(unsigned long& timing, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetTVORVTR(unsigned long timing, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetSubcarrierPhase(unsigned long& phase, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetSubcarrierPhase(unsigned long phase, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetLinePhase(unsigned long& phase, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetLinePhase(unsigned long phase, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetFieldPhase(unsigned long& phase, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetFieldPhase(unsigned long phase, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetKeyDelay(unsigned long& delay, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetKeyDelay(unsigned long delay, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetKeyOutputMode(unsigned long& mode, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetKeyOutputMode(unsigned long mode, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetContrast(unsigned long& value, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetContrast(unsigned long value, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetLight(unsigned long& value, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetLight(unsigned long value, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetHue(unsigned long& value, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetHue(unsigned long value, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetSatuation(unsigned long& value, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetSatuation(unsigned long value, unsigned int card);

// Output routing and display base.
OVCG_API int OVCG_CALL OVCG_SetVideoBypass(unsigned long mode, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetVideoBypass(unsigned long& mode, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetKeyOrPreviewOutput(unsigned long mode, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetKeyOrPreviewOutput(unsigned long& mode, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetVideoBase(unsigned long base, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetVideoBase(unsigned long& base, unsigned int card);

// Overlay pixels: 32-bit words in the shared overlay frame, row stride 720.
OVCG_API int OVCG_CALL OVCG_GetPoint(int x, int y, unsigned long& pixel, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetPoint(int x, int y, unsigned long pixel, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetRow(int y, unsigned long* pixels, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetRow(int y, unsigned long* pixels, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetPartRow(int x, int y, int count, unsigned long* pixels, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetPartRow(int x, int y, int count, unsigned long* pixels, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetColumn(int x, unsigned long* pixels, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetColumn(int x, unsigned long* pixels, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetPartColumn(int x, int y, int count, unsigned long* pixels, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetPartColumn(int x, int y, int count, unsigned long* pixels, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetScreen(unsigned long* pixels, int page, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetScreen(unsigned long* pixels, int page, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetRectangle(int x, int y, int w, int h, unsigned long* pixels, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetRectangle(int x, int y, int w, int h, unsigned long* pixels, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetArea(int x, int y, int w, int h, unsigned long* pixels, unsigned int card);
OVCG_API int OVCG_CALL OVCG_ClearCurrentScreen(unsigned int card);

// A still of the card's video input.
OVCG_API int OVCG_CALL OVCG_SetVideoSample(unsigned int card);
// The result is the done state (1 done, 0 not yet or card not open); done receives it too.
OVCG_API int OVCG_CALL OVCG_GetIfVideoSampleDone(unsigned long& done, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetVideoSampleData(unsigned long* pixels, unsigned int card);

// User data: bytes 0..47 of the settings memory.
OVCG_API int OVCG_CALL OVCG_SetUserData(unsigned long address, unsigned char value, unsigned int card);
OVCG_API int OVCG_CALL OVCG_VerifyUserData(unsigned long address, unsigned long length, unsigned char* data,
                                           unsigned int card);

// External-signal settings: accepted and ignored by this card.
OVCG_API int OVCG_CALL OVCG_GetExtSignalCkPhase(unsigned int& phase, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetExtSignalCkPhase(unsigned int phase, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetExtSignalHWidth(unsigned int which, int& width, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetExtSignalHWidth(unsigned int which, int width, unsigned int card);
OVCG_API int OVCG_CALL OVCG_GetExtSignalPolarity(unsigned char which, unsigned int& polarity, unsigned int card);
OVCG_API int OVCG_CALL OVCG_SetExtSignalPolarity(unsigned char which, unsigned int polarity, unsigned int card);

// Word copy and fill: count 32-bit words; no card argument.
OVCG_API void OVCG_CALL OVCG_memcpy(unsigned long* dst, unsigned long* src, unsigned long count);
OVCG_API void OVCG_CALL OVCG_memcpyEx(unsigned long* dst, unsigned long* src, unsigned long count);
OVCG_API void OVCG_CALL OVCG_memset(unsigned long* dst, unsigned long value, unsigned long count);

#endif
