// SPDX-License-Identifier: GPL-3.0-or-later
/* The HID control library's C interface, shared by the panel, the hidapi
 * implementation and the simulated device. The panel loads one of them with
 * dlopen and resolves these names, so the signatures are a contract. */
#ifndef ORLENTA_SNX_API_H
#define ORLENTA_SNX_API_H

#include <stdint.h>

#if defined(__GNUC__)
#define SNX_EXPORT __attribute__((visibility("default")))
#else
#define SNX_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct SnxWindow SnxWindow;
struct SnxWindow {
    /* Queues a message for the window's thread; safe from any thread.
       For the monitor message, lParam points at four 32-bit words that the call copies. */
    void (*postMessage)(SnxWindow *window, unsigned int message, uintptr_t wParam, intptr_t lParam);
};

/* wParam of the monitor message that carries one input report. */
#define SNX_INPUT_REPORT_WPARAM 254u
/* Bytes in one report, both directions. */
#define SNX_REPORT_SIZE 16

SNX_EXPORT int SNX_FindDeviceWithID(unsigned short vendorId, unsigned short productId);
SNX_EXPORT int SNX_CheckDeviceWithID(unsigned short vendorId, unsigned short productId);
SNX_EXPORT int SNX_FindDevice(void);
SNX_EXPORT void SNX_CloseDevice(void);
SNX_EXPORT void SNX_OpenHIDMonitor(SnxWindow *window);
SNX_EXPORT void SNX_CloseHIDMonitor(void);
SNX_EXPORT unsigned short SNX_GetVendorID(void);
SNX_EXPORT unsigned short SNX_GetProductID(void);
SNX_EXPORT void SNX_SetMonitorMsg(unsigned int message);
SNX_EXPORT int SNX_HID_Output_Report_Data(const unsigned char *report, int length);

/* Optional: why the last SNX_FindDeviceWithID opened no device. 0 after a
   successful open, ENOENT when no device with the ids is present, otherwise
   the errno of opening its device node (EACCES: present, but this user may
   not open it). Callers look it up with dlsym and do without it when a
   library lacks it. */
SNX_EXPORT int SNX_GetLastOpenError(void);

/* Optional, for a diagnosis: one HID interface as the library sees it. */
typedef struct SnxInterface {
    char path[256];      /* its device node, cut to fit and always terminated */
    int interfaceNumber; /* the USB interface number, -1 when not USB */
    unsigned short usagePage;
    unsigned short usage;
} SnxInterface;

/* Optional: the interfaces with these ids, in the order SNX_FindDeviceWithID
   tries them. Fills at most capacity entries and returns how many there are. */
SNX_EXPORT int SNX_ListInterfaces(unsigned short vendorId, unsigned short productId,
                                  SnxInterface *interfaces, int capacity);
/* Optional: the version of the HID library beneath, e.g. "0.13.1". */
SNX_EXPORT const char *SNX_GetHidapiVersion(void);

#ifdef __cplusplus
}
#endif

#endif
