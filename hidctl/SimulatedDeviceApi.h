// SPDX-License-Identifier: GPL-3.0-or-later
/* Extra exports of the simulated device, for tests and demonstrations.
 * Tests resolve them with dlsym from the same module the panel loaded, so
 * they steer exactly the device the panel talks to. */
#ifndef ORLENTA_SIMULATED_DEVICE_API_H
#define ORLENTA_SIMULATED_DEVICE_API_H

#include "SnxApi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* How the device answers requests. */
enum SimAnswerMode {
    SIM_ANSWER_NORMAL = 0,
    SIM_ANSWER_SILENT = 1,         /* takes requests, answers nothing */
    SIM_ANSWER_WRONG_HEAD = 2,     /* answers with a head nobody expects */
    SIM_ANSWER_WRONG_CHECKSUM = 3  /* answers with the right head and a checksum off by one */
};

/* Back to a plugged device with the factory block, normal answers, the
   default delay and an empty report log. Closes any open monitor; a device
   opened with SNX_FindDeviceWithID stays open.
   For demonstrations: with ORLENTA_SIM_STATE_REPORT_SECONDS set to a positive
   number when the monitor opens, the device also posts a state report with
   its block at that interval. */
SNX_EXPORT void SIM_Reset(void);
SNX_EXPORT void SIM_Plug(void);
/* Unplugging closes the device: later output reports fail and nothing is posted. */
SNX_EXPORT void SIM_Unplug(void);
SNX_EXPORT int SIM_IsPlugged(void);
/* Nonzero: the device is plugged in but may not be opened (no permission on
   its node), so SNX_FindDeviceWithID fails with EACCES. Reset clears it. */
SNX_EXPORT void SIM_SetAccessDenied(int denied);
SNX_EXPORT void SIM_SetAnswerMode(int mode);
SNX_EXPORT void SIM_SetAnswerDelayMs(int milliseconds);
SNX_EXPORT void SIM_GetBlock(unsigned char block[8]);
SNX_EXPORT void SIM_SetBlock(const unsigned char block[8]);
/* Posts a state report (head 0x02, valid checksum) carrying the block. */
SNX_EXPORT void SIM_InjectStateReport(const unsigned char block[8]);
/* Posts raw report bytes as they would come from the device (length <= 16). */
SNX_EXPORT void SIM_InjectRawReport(const unsigned char *report, int length);
/* Every output report received since the last reset or clear. */
SNX_EXPORT int SIM_OutputReportCount(void);
/* Copies report number index (0 = first) into report[16]; 0 when there is none. */
SNX_EXPORT int SIM_GetOutputReport(int index, unsigned char report[16]);
SNX_EXPORT void SIM_ClearOutputReports(void);

#ifdef __cplusplus
}
#endif

#endif
