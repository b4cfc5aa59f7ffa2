// A worker's last message to its window (done, failed, register, close, and the download's
// last progress report): it must arrive, so it is posted again while the window's queue
// refuses it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

using MessagePoster = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);

// Pause between two attempts while the queue is full.
constexpr DWORD kFinalMessageRetryMs = 10;

// Posts the message, and after a refusal tries again every kFinalMessageRetryMs until it is
// taken, the window is gone (IsWindow false) or stopFlag is non-zero (the window is being
// destroyed and joins the worker). True when the message was posted. On Windows the queue
// refuses posts while it holds 10,000 messages, as when the window stops reading it.
bool PostFinalMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                      const std::atomic<uint8_t>& stopFlag, MessagePoster poster = ::PostMessageW);
