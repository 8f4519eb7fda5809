#include "http/progress_callback.h"
#include <commctrl.h>
#include "log/log_printf.h"

ProgressCallback::ProgressCallback(HWND progressBar, const RunFlag* running)
    : running(running), progressBar(progressBar), refCount(1)
{
}

ProgressCallback::~ProgressCallback()
{
}

STDMETHODIMP ProgressCallback::QueryInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_IBindStatusCallback) || IsEqualIID(riid, IID_IUnknown)) {
        *ppv = static_cast<IBindStatusCallback*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = NULL;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ProgressCallback::AddRef()
{
    return static_cast<ULONG>(++refCount);
}

STDMETHODIMP_(ULONG) ProgressCallback::Release()
{
    LONG count = --refCount;
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP ProgressCallback::OnStartBinding(DWORD, IBinding*)
{
    return S_OK;
}

STDMETHODIMP ProgressCallback::GetPriority(LONG*)
{
    return S_OK;
}

STDMETHODIMP ProgressCallback::OnLowResource(DWORD)
{
    return S_OK;
}

// Drives the bar from the downloading thread: only posted messages and
// asynchronous shows, because the bar belongs to the window's thread.
STDMETHODIMP ProgressCallback::OnProgress(ULONG ulProgress, ULONG ulProgressMax, ULONG ulStatusCode,
                                          LPCWSTR szStatusText)
{
    switch (ulStatusCode) {
    case BINDSTATUS_BEGINDOWNLOADDATA:
        PostMessageA(progressBar, PBM_SETPOS, 0, 0);
        ShowWindowAsync(progressBar, SW_SHOW);
        ShowWindowAsync(GetParent(progressBar), SW_SHOW);
        return S_OK;
    case BINDSTATUS_DOWNLOADINGDATA:
        if (!*running)
            return E_ABORT;
        PostMessageA(progressBar, PBM_SETRANGE32, 0, static_cast<LPARAM>(ulProgressMax));
        PostMessageA(progressBar, PBM_SETPOS, static_cast<WPARAM>(ulProgress), 0);
        return S_OK;
    case BINDSTATUS_ENDDOWNLOADDATA:
        ShowWindowAsync(progressBar, SW_HIDE);
        return S_OK;
    default:
        LogPrintf("ulProgress=%d ulProgressMax=%d urlStatusCode=%d %ls\r\n", static_cast<int>(ulProgress),
                  static_cast<int>(ulProgressMax), static_cast<int>(ulStatusCode), szStatusText);
        return S_OK;
    }
}

STDMETHODIMP ProgressCallback::OnStopBinding(HRESULT, LPCWSTR)
{
    return S_OK;
}

STDMETHODIMP ProgressCallback::GetBindInfo(DWORD*, BINDINFO*)
{
    return E_NOTIMPL;
}

STDMETHODIMP ProgressCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*)
{
    return S_OK;
}

STDMETHODIMP ProgressCallback::OnObjectAvailable(REFIID, IUnknown*)
{
    return S_OK;
}
