/*
 * tq402 — programming interface of the PCI CAN card: an SJA1000-type CAN
 * controller in PeliCAN mode behind the PX720 PCI bridge (see PX720DLL.h).
 *
 * Calling order: CAN_Open, then CAN_Reset as needed and CAN_Init, then
 * CAN_Trans / CAN_Recv by polling or after CAN_Enable_Interrupt, and
 * CAN_Close last.
 *
 * Every function takes the bridge device index (0..15) first and returns a
 * 32-bit result: 1 on success, 0 on failure, unless stated. There are no
 * messages and no stored error state. A null pointer argument fails.
 *
 * The library serves one card at a time: the card opened last gives the
 * I/O base of every register access. Interrupt service is always
 * installed on bridge device 0.
 *
 * Byte layouts
 *   Initialisation block (11 bytes): 0 bus timing 0, 1 bus timing 1,
 *     2-5 acceptance code 0-3, 6-9 acceptance mask 0-3, 10 interrupt enable.
 *     Example, 500 kbit/s on the card's 16 MHz clock, accept all:
 *     { 0x00, 0x1C, 0,0,0,0, 0xFF,0xFF,0xFF,0xFF, 0x00 }.
 *   Frame buffer: the controller's transmit/receive buffer image.
 *     Byte 0: bit 7 extended frame, bit 6 remote frame, bits 0-3 length.
 *     Standard frame, 11 bytes: 1 = identifier bits 10-3, 2 bits 7-5 =
 *     identifier bits 2-0, 3-10 = data 1-8.
 *     Extended frame, 13 bytes: 1-3 = identifier bits 28-5, 4 bits 7-3 =
 *     identifier bits 4-0, 5-12 = data 1-8.
 *   Register pair: byte 0 register number, byte 1 value.
 */
#ifndef TQ402_H
#define TQ402_H

#include <stdint.h>

#if defined(TQ402_BUILDING_LIBRARY)
#define TQ402_API __attribute__((visibility("default")))
#else
#define TQ402_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Called on the bridge library's interrupt thread when the controller
 * reports a received or transmitted frame; the card's interrupt gate is
 * closed while it runs. */
typedef void (*CAN_CALLBACK)(void);

/* Opens bridge device `index` (memory and interrupt enabled) and keeps its
 * I/O base. 1 when the card was opened, 0 otherwise. */
TQ402_API int32_t CAN_Open(uint32_t index);

/* Closes the bridge device, ending its interrupt thread. Returns the
 * bridge's close result (non-zero = closed). */
TQ402_API int32_t CAN_Close(uint32_t index);

/*
 * Puts the controller into reset mode, PeliCAN mode, writes bus timing,
 * acceptance code and mask, output control 0xAA and interrupt enable from
 * the 11-byte block, returns to operating mode (single acceptance filter)
 * and hands the block to the bridge's driver. The library keeps a copy of
 * the block for its error recovery.
 * 0 when the controller does not report reset mode or operating mode (no
 * controller answering), or the driver refuses the block.
 */
TQ402_API int32_t CAN_Init(uint32_t index, const uint8_t *init_block);

/* Pulses the controller's hardware reset (200 ms). CAN_Init must follow.
 * Returns the result of the last output-line write. */
TQ402_API int32_t CAN_Reset(uint32_t index);

/*
 * Hands one frame to the controller: waits for a free transmit buffer with
 * the previous transmission complete and no error, polling every 1 ms up to
 * `polls` times, then writes 13 (extended) or 11 (standard) bytes and
 * requests the transmission without waiting for it. 0 after `polls`
 * unsuccessful polls, at once for polls = 0.
 */
TQ402_API int32_t CAN_Trans(uint32_t index, const uint8_t *frame, uint32_t polls);

/*
 * Takes one received frame: waits for one, polling every 1 ms up to `polls`
 * times, reads 13 or 11 bytes as the controller's frame information says
 * (so `frame` must hold 13 bytes) and releases the receive buffer.
 * 0 after `polls` unsuccessful polls (the buffer is left untouched).
 */
TQ402_API int32_t CAN_Recv(uint32_t index, uint8_t *frame, uint32_t polls);

/* Reads register pair[0] into pair[1]. */
TQ402_API int32_t CAN_ReadReg(uint32_t index, uint8_t *pair);

/* Writes pair[1] to register pair[0]. */
TQ402_API int32_t CAN_WriteReg(uint32_t index, const uint8_t *pair);

/* Opens the card's interrupt gate. */
TQ402_API int32_t CAN_Inten(uint32_t index);

/* Closes the gate and leaves only bus-error and arbitration-lost
 * interrupts enabled in the controller; returns that register write's
 * result. */
TQ402_API int32_t CAN_Intdisen(uint32_t index);

/*
 * Starts interrupt-driven operation: the driver closes the gate on every
 * interrupt, the library's routine reads the controller's interrupt
 * register and calls `callback` for a received or transmitted frame, or
 * resets and re-initialises the controller (about 1.2 s, with the kept
 * block) after an error warning, arbitration loss or bus error; every
 * interrupt ends with the gate open again.
 * type: 1 transmit, 2 receive, 3 both. 0 when the card at `index` does not
 * answer (nothing is changed then), when the interrupt command or the
 * routine cannot be installed, or for another type (the routine is then
 * installed and the gate open, but the controller's interrupt enable is
 * unchanged).
 */
TQ402_API int32_t CAN_Enable_Interrupt(uint32_t index, uint32_t type, CAN_CALLBACK callback);

/* The driver's count of buffered bytes, or -1. */
TQ402_API int32_t CAN_ReadDataNum(uint32_t index);

/* Takes n buffered bytes into `buffer`; 0 when fewer are buffered or the
 * count cannot be read. */
TQ402_API int32_t CAN_ReadBlockData(uint32_t index, uint32_t n, uint8_t *buffer);

#ifdef __cplusplus
}
#endif

#endif /* TQ402_H */
