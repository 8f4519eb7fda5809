// A status callback for download tests: records every report and can cancel.
#pragma once
#include <windows.h>
#include <urlmon.h>
#include <vector>

struct ProgressReport {
    ULONG progress;
    ULONG progressMax;
    ULONG statusCode;
};

class RecordingCallback : public IBindStatusCallback {
public:
    // The code-5 report with this 1-based number answers E_ABORT (0: never).
    int abortAtBlock = 0;
    std::vector<ProgressReport> reports;
    LONG refCount = 1;
    int addRefs = 0;
    int releases = 0;

    size_t Count(ULONG statusCode) const
    {
        size_t n = 0;
        for (const ProgressReport& r : reports)
            n += r.statusCode == statusCode;
        return n;
    }

    STDMETHODIMP QueryInterface(REFIID, void** ppv) override
    {
        *ppv = NULL;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        ++addRefs;
        return static_cast<ULONG>(++refCount);
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        ++releases;
        return static_cast<ULONG>(--refCount);
    }
    STDMETHODIMP OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    STDMETHODIMP GetPriority(LONG*) override { return S_OK; }
    STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
    STDMETHODIMP OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode, LPCWSTR) override
    {
        reports.push_back({progress, progressMax, statusCode});
        if (statusCode == BINDSTATUS_DOWNLOADINGDATA &&
            static_cast<size_t>(abortAtBlock) == Count(BINDSTATUS_DOWNLOADINGDATA))
            return E_ABORT;
        return S_OK;
    }
    STDMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    STDMETHODIMP GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
    STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }
};
