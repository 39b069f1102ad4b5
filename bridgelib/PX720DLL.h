/*
 * PX720DLL — user-mode access to the PX720 PCI bridge of a plug-in card.
 *
 * The bridge maps the card's local bus into the PC's I/O and memory space.
 * This library never touches hardware itself: every access is one request
 * (a DriverRequest record, below) carried to the bridge's kernel driver,
 * or to the virtual cards when PX720_VIRTUAL_CARDS is set (see README).
 *
 * Conventions
 *   - Functions named PX720m... take a device index 0..15 first and act on
 *     that device; the same name without the "m" acts on device 0. An index
 *     outside 0..15 fails with the function's failure value.
 *   - Unless stated, a function returns 1 on success and 0 on failure.
 *     There are no messages and no stored error state.
 *   - A failed call leaves its out-parameters unchanged. A null pointer
 *     where a pointer is required fails with the failure value.
 *   - Addresses given to the single-value I/O byte and word calls are
 *     offsets into the device's I/O window when below 256, else absolute
 *     port numbers. I/O dword and memory calls treat an address below the
 *     device's I/O (memory) base as an offset, else as absolute.
 *   - The library takes no locks around the hardware: callers that share a
 *     device between threads serialise multi-step sequences themselves.
 */
#ifndef PX720DLL_H
#define PX720DLL_H

#include <stdint.h>

#if defined(PX720_BUILDING_LIBRARY)
#define PX720_API __attribute__((visibility("default")))
#else
#define PX720_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Handle of an open bridge device, as returned by PX720mOpenDevice. */
typedef void *PX720_HANDLE;

#ifndef INVALID_HANDLE_VALUE
/* The failure value of the open calls: all bits set. */
#define INVALID_HANDLE_VALUE ((PX720_HANDLE)(intptr_t)-1)
#endif

/* Number of device slots: indexes 0..15. */
#define PX720_MAX_DEVICES 16

/* Data bytes of the fixed single-value request record. */
#define PX720_RECORD_DATA 1000

/*
 * The request record every driver request carries (all fields
 * little-endian). "address" holds an absolute I/O or memory address, a
 * configuration offset, or the value of a base-address / interrupt-line
 * request. "length" is the number of data bytes the request transfers.
 * Single-value requests use this 1012-byte record for input and output;
 * longer requests use a bigger buffer that starts with the same header.
 */
typedef struct DriverRequest {
    uint32_t function;
    uint32_t address;
    uint32_t length;
    uint8_t data[PX720_RECORD_DATA];
} DriverRequest;

/* Function codes of DriverRequest (the driver's vocabulary). */
enum {
    PX720_FN_GET_DRIVER_VERSION = 1,
    PX720_FN_GET_IO_BASE = 4,
    PX720_FN_SET_IO_BASE = 5,
    PX720_FN_GET_MEM_BASE = 6,
    PX720_FN_SET_MEM_BASE = 7,
    PX720_FN_GET_INT_LINE = 8,
    PX720_FN_SET_INT_LINE = 9,
    PX720_FN_WAIT_INTERRUPT = 10,
    PX720_FN_ABORT_WAIT = 11,
    PX720_FN_READ_IO_BYTE = 16,
    PX720_FN_READ_IO_WORD = 17,
    PX720_FN_READ_IO_DWORD = 18,
    PX720_FN_READ_IO_BLOCK = 19,
    PX720_FN_WRITE_IO_BYTE = 20,
    PX720_FN_WRITE_IO_WORD = 21,
    PX720_FN_WRITE_IO_DWORD = 22,
    PX720_FN_WRITE_IO_BLOCK = 23,
    PX720_FN_READ_MEM_BYTE = 24,
    PX720_FN_READ_MEM_WORD = 25,
    PX720_FN_READ_MEM_DWORD = 26,
    PX720_FN_WRITE_MEM_BYTE = 28,
    PX720_FN_WRITE_MEM_WORD = 29,
    PX720_FN_WRITE_MEM_DWORD = 30,
    PX720_FN_READ_CONFIG_BYTE = 32,
    PX720_FN_WRITE_CONFIG_BYTE = 33,
    PX720_FN_READ_INT_COMMAND_1 = 36,
    PX720_FN_WRITE_INT_COMMAND_1 = 37,
    PX720_FN_READ_INT_COMMAND_2 = 38,
    PX720_FN_WRITE_INT_COMMAND_2 = 39,
    PX720_FN_READ_DATA_COUNT = 40,
    PX720_FN_READ_DATA = 41,
    PX720_FN_STORE_INIT_DATA = 42
};

/* The bridge's own registers, as offsets from the device's I/O base. */
enum {
    PX720_REG_A15_A8_WORD = 0xF0, /* word at 0xF0: 0xF1 is the A15..A8 output */
    PX720_REG_A15_A8 = 0xF1,
    PX720_REG_I2C_DATA = 0xF4,
    PX720_REG_I2C_CONTROL = 0xF5, /* write bit 0 = start; bit 0 reads 1 while busy */
    PX720_REG_I2C_REGISTER = 0xF6,
    PX720_REG_I2C_DEVICE = 0xF7,  /* 7-bit address << 1, bit 0 = 1 for a read */
    PX720_REG_COUNTER = 0xFC      /* free-running, one count every 3.84 us */
};

/* Largest interrupt command the driver keeps (header included). */
#define PX720_INT_COMMAND_MAX 32780
/* Largest block of PX720mAccessBlock. */
#define PX720_BLOCK_MAX 32768

/* A routine called on the library's interrupt thread once per interrupt. */
typedef void (*PX720_INT_ROUTINE)(void);

/* ------------------------------------------------------------------ */
/* Devices                                                             */
/* ------------------------------------------------------------------ */

/*
 * Opens the index-th bridge device (0..15, in the driver's stable order),
 * reads its I/O base, memory base and interrupt line into the device table.
 * enable_memory: non-zero asks the driver to assign a memory window when
 * the device has none (memory base 0). enable_interrupt: likewise for the
 * interrupt line. Opening an index that is already open closes the earlier
 * handle first (an installed interrupt routine keeps running).
 * Returns the handle, or INVALID_HANDLE_VALUE when the index is out of
 * range, no such device exists, its path is longer than 127 characters or
 * it cannot be opened.
 */
PX720_API PX720_HANDLE PX720mOpenDevice(uint32_t index, uint32_t enable_memory, uint32_t enable_interrupt);
PX720_API PX720_HANDLE PX720OpenDevice(uint32_t enable_memory, uint32_t enable_interrupt);

/*
 * Stops the device's interrupt service (see PX720mSetIntRoutine), closes the
 * handle and marks the slot closed. The cached bases stay.
 * Returns non-zero when the handle was closed, 0 when the slot was not open,
 * the index is out of range, or the call comes from the device's own
 * interrupt routine (which cannot wait for its own thread to end).
 */
PX720_API int32_t PX720mCloseDevice(uint32_t index);
PX720_API int32_t PX720CloseDevice(void);

/*
 * Sends a caller-built request unchanged; the record serves as input and
 * output, both of size record->length + 12 bytes, so the caller's buffer
 * must be that large. Lengths above 32780 are refused.
 * Returns the number of bytes the driver returned, 0 on failure.
 */
PX720_API uint32_t PX720mDriverCommand(uint32_t index, DriverRequest *record);
PX720_API uint32_t PX720DriverCommand(DriverRequest *record);

/*
 * Base addresses and interrupt line. Get: on success stores the value in
 * the device table and in *value. Set: sends the new value, then always
 * re-reads the item into the table (also when the set failed) and returns
 * the outcome of the set.
 */
PX720_API int32_t PX720mGetIoBaseAddr(uint32_t index, uint32_t *value);
PX720_API int32_t PX720GetIoBaseAddr(uint32_t *value);
PX720_API int32_t PX720mSetIoBaseAddr(uint32_t index, uint32_t value);
PX720_API int32_t PX720SetIoBaseAddr(uint32_t value);
PX720_API int32_t PX720mGetMemBaseAddr(uint32_t index, uint32_t *value);
PX720_API int32_t PX720GetMemBaseAddr(uint32_t *value);
PX720_API int32_t PX720mSetMemBaseAddr(uint32_t index, uint32_t value);
PX720_API int32_t PX720SetMemBaseAddr(uint32_t value);
PX720_API int32_t PX720mGetIntLine(uint32_t index, uint32_t *value);
PX720_API int32_t PX720GetIntLine(uint32_t *value);
PX720_API int32_t PX720mSetIntLine(uint32_t index, uint32_t value);
PX720_API int32_t PX720SetIntLine(uint32_t value);

/* ------------------------------------------------------------------ */
/* Single-value accesses (address rules in the conventions above)      */
/* ------------------------------------------------------------------ */

PX720_API int32_t PX720mReadIoByte(uint32_t index, uint32_t address, uint8_t *value);
PX720_API int32_t PX720ReadIoByte(uint32_t address, uint8_t *value);
PX720_API int32_t PX720mReadIoWord(uint32_t index, uint32_t address, uint16_t *value);
PX720_API int32_t PX720ReadIoWord(uint32_t address, uint16_t *value);
PX720_API int32_t PX720mReadIoDword(uint32_t index, uint32_t address, uint32_t *value);
PX720_API int32_t PX720ReadIoDword(uint32_t address, uint32_t *value);
PX720_API int32_t PX720mWriteIoByte(uint32_t index, uint32_t address, uint8_t value);
PX720_API int32_t PX720WriteIoByte(uint32_t address, uint8_t value);
PX720_API int32_t PX720mWriteIoWord(uint32_t index, uint32_t address, uint16_t value);
PX720_API int32_t PX720WriteIoWord(uint32_t address, uint16_t value);
PX720_API int32_t PX720mWriteIoDword(uint32_t index, uint32_t address, uint32_t value);
PX720_API int32_t PX720WriteIoDword(uint32_t address, uint32_t value);

PX720_API int32_t PX720mReadMemByte(uint32_t index, uint32_t address, uint8_t *value);
PX720_API int32_t PX720ReadMemByte(uint32_t address, uint8_t *value);
PX720_API int32_t PX720mReadMemDword(uint32_t index, uint32_t address, uint32_t *value);
PX720_API int32_t PX720ReadMemDword(uint32_t address, uint32_t *value);
PX720_API int32_t PX720mWriteMemByte(uint32_t index, uint32_t address, uint8_t value);
PX720_API int32_t PX720WriteMemByte(uint32_t address, uint8_t value);
PX720_API int32_t PX720mWriteMemDword(uint32_t index, uint32_t address, uint32_t value);
PX720_API int32_t PX720WriteMemDword(uint32_t address, uint32_t value);

/* PCI configuration space: the offset is sent unchanged. */
PX720_API int32_t PX720mReadConfig(uint32_t index, uint32_t offset, uint8_t *value);
PX720_API int32_t PX720ReadConfig(uint32_t offset, uint8_t *value);
PX720_API int32_t PX720mWriteConfig(uint32_t index, uint32_t offset, uint8_t value);
PX720_API int32_t PX720WriteConfig(uint32_t offset, uint8_t value);

/* Writes the card's A15..A8 output register (I/O base + 0xF1). */
PX720_API int32_t PX720mSetA15_A8(uint32_t index, uint8_t value);
PX720_API int32_t PX720SetA15_A8(uint8_t value);

/*
 * One byte from / to a device on the bridge's I2C bus. device: 7-bit
 * address; reg: register inside that device. The transfer is polled until
 * the bridge reports it finished; a failing request or a transfer still
 * busy after 100 ms fails the call.
 */
PX720_API int32_t PX720mReadI2C(uint32_t index, uint32_t device, uint32_t reg, uint8_t *value);
PX720_API int32_t PX720ReadI2C(uint32_t device, uint32_t reg, uint8_t *value);
PX720_API int32_t PX720mWriteI2C(uint32_t index, uint32_t device, uint32_t reg, uint8_t value);
PX720_API int32_t PX720WriteI2C(uint32_t device, uint32_t reg, uint8_t value);

/* ------------------------------------------------------------------ */
/* Without a device argument                                           */
/* ------------------------------------------------------------------ */

/* The library's version number: always 19. */
PX720_API int32_t PX720GetVersion(void);

/* The driver's version byte (0..255) from the first open device (lowest
 * open index); 0 when no device is open or the request fails. */
PX720_API uint32_t PX720GetDrvVersion(void);

/*
 * Busy-waits at least `microseconds` on the bridge's free-running counter
 * of the first open device. Returns non-zero after the delay; 0 when no
 * device is open, a counter read fails, or the counter stands still for
 * 100 ms (a bridge that stopped answering).
 */
PX720_API int32_t PX720DelayUS(uint32_t microseconds);

/* ------------------------------------------------------------------ */
/* Interrupts                                                          */
/* ------------------------------------------------------------------ */

/*
 * Installs `routine` as the device's interrupt routine, or removes it when
 * `routine` is null. A running interrupt thread of the device is always
 * ended first (its wait is aborted until it has gone), so there is never
 * more than one per device. With a routine, a new thread waits for the
 * card's interrupts in the driver and calls the routine once per interrupt,
 * never two calls at once.
 * Returns 1, or 0 when the index is out of range, the thread cannot be
 * started, or the call comes from the device's own interrupt routine.
 */
PX720_API int32_t PX720mSetIntRoutine(uint32_t index, PX720_INT_ROUTINE routine);
PX720_API int32_t PX720SetIntRoutine(PX720_INT_ROUTINE routine);

/* Waits on the caller's thread for one interrupt of the card.
 * Returns 1 on an interrupt, 0 when the wait failed or was aborted. */
PX720_API int32_t PX720mWaitInterrupt(uint32_t index);
PX720_API int32_t PX720WaitInterrupt(void);

/* Aborts a wait posted in the driver for the device. */
PX720_API int32_t PX720mAbortWaitInt(uint32_t index);
PX720_API int32_t PX720AbortWaitInt(void);

/*
 * Stores an interrupt command the driver carries out on every interrupt of
 * the device: the first (record->length + 12) bytes of `record`, its own
 * header included, at most 32780 bytes. number: 1 selects command 1, any
 * other value command 2.
 */
PX720_API int32_t PX720mWriteIntCommand(uint32_t index, const DriverRequest *record, uint32_t number);
PX720_API int32_t PX720WriteIntCommand(const DriverRequest *record, uint32_t number);

/*
 * Reads a stored interrupt command back into `buffer`, which must hold
 * 32780 bytes; copies as many bytes as the driver returned, at most 32780.
 */
PX720_API int32_t PX720mReadIntCommand(uint32_t index, void *buffer, uint32_t number);
PX720_API int32_t PX720ReadIntCommand(void *buffer, uint32_t number);

/* ------------------------------------------------------------------ */
/* Block transfers and driver-kept data                                */
/* ------------------------------------------------------------------ */

/*
 * Transfers `length` bytes between `buffer` and the card. type is the
 * function code of the access: 16-18 read I/O, 19 read I/O block, 20-22
 * write I/O, 23 write I/O block, 24-26 read memory, 28-30 write memory.
 * I/O addresses below 256 and memory addresses below the memory base are
 * offsets into the device's window. I/O blocks (19, 23) must end below the
 * bridge's own registers: (low 8 bits of the address) + length < 0xF0.
 * Returns 1, also for a length of 0 (nothing is sent); 0 for any other
 * type (27 included), a block reaching the bridge's registers, a length
 * above 32768, or a failed request. Read types fill exactly `length`
 * bytes of `buffer`; write types leave it untouched.
 */
PX720_API int32_t PX720mAccessBlock(uint32_t index, uint32_t type, uint32_t address, void *buffer, uint32_t length);

/* The number of data bytes the driver has buffered for the device
 * (0..65535), or -1 when the request fails. */
PX720_API int32_t PX720mReadDataNum(uint32_t index);

/* Takes `length` buffered bytes (at most 1000) into `buffer`. */
PX720_API int32_t PX720mReadBlockData(uint32_t index, uint32_t length, void *buffer);

/* Hands 11 bytes of initialisation data to the driver to keep. */
PX720_API int32_t PX720mInstoreInitData(uint32_t index, const uint8_t *data);

#ifdef __cplusplus
}
#endif

#endif /* PX720DLL_H */
