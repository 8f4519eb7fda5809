// Status callback of a file download: drives one progress bar, cancels on close.
#pragma once
#include <windows.h>
#include <urlmon.h>
#include "common/run_flag.h"

class ProgressCallback : public IBindStatusCallback {
public:
    ProgressCallback(HWND progressBar, const RunFlag* running);
    virtual ~ProgressCallback();
    ProgressCallback(const ProgressCallback&) = delete;
    ProgressCallback& operator=(const ProgressCallback&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP OnStartBinding(DWORD dwReserved, IBinding* pib) override;
    STDMETHODIMP GetPriority(LONG* pnPriority) override;
    STDMETHODIMP OnLowResource(DWORD reserved) override;
    STDMETHODIMP OnProgress(ULONG ulProgress, ULONG ulProgressMax, ULONG ulStatusCode,
                            LPCWSTR szStatusText) override;
    STDMETHODIMP OnStopBinding(HRESULT hresult, LPCWSTR szError) override;
    STDMETHODIMP GetBindInfo(DWORD* grfBINDF, BINDINFO* pbindinfo) override;
    STDMETHODIMP OnDataAvailable(DWORD grfBSCF, DWORD dwSize, FORMATETC* pformatetc,
                                 STGMEDIUM* pstgmed) override;
    STDMETHODIMP OnObjectAvailable(REFIID riid, IUnknown* punk) override;

    const RunFlag* running;
    HWND progressBar;
    LONG refCount;
};
