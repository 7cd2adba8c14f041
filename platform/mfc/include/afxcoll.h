// The framework's ready-made collections, built on the templates of afxtempl.h.
#pragma once

#include "afxtempl.h"

class CStringArray : public CArray<CString, const CString&> {};
class CPtrArray : public CArray<void*, void*> {};
class CObArray : public CArray<CObject*, CObject*> {};
class CByteArray : public CArray<BYTE, BYTE> {};
class CWordArray : public CArray<WORD, WORD> {};
class CDWordArray : public CArray<DWORD, DWORD> {};
class CUIntArray : public CArray<UINT, UINT> {};

class CStringList : public CList<CString, const CString&> {};
class CPtrList : public CList<void*, void*> {};
class CObList : public CList<CObject*, CObject*> {};

class CMapStringToString : public CMap<CString, LPCWSTR, CString, LPCWSTR> {
public:
    explicit CMapStringToString(INT_PTR blockSize = 10) : CMap(blockSize) {}
};
class CMapStringToPtr : public CMap<CString, LPCWSTR, void*, void*> {
public:
    explicit CMapStringToPtr(INT_PTR blockSize = 10) : CMap(blockSize) {}
};
class CMapStringToOb : public CMap<CString, LPCWSTR, CObject*, CObject*> {
public:
    explicit CMapStringToOb(INT_PTR blockSize = 10) : CMap(blockSize) {}
};
class CMapPtrToPtr : public CMap<void*, void*, void*, void*> {
public:
    explicit CMapPtrToPtr(INT_PTR blockSize = 10) : CMap(blockSize) {}
};
class CMapWordToPtr : public CMap<WORD, WORD, void*, void*> {
public:
    explicit CMapWordToPtr(INT_PTR blockSize = 10) : CMap(blockSize) {}
};
