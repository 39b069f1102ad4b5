/* Opening the card, setting the controller up, and frames by polling. */
#include <string.h>

#include "bridgelib/PX720DLL.h"
#include "canlib/CanPorts.h"
#include "canlib/tq402.h"

enum {
    STANDARD_FRAME_SIZE = 11,
    EXTENDED_FRAME_SIZE = 13,
    FRAME_EXTENDED_BIT = 0x80
};

static int frame_size(uint8_t info) {
    return (info & FRAME_EXTENDED_BIT) ? EXTENDED_FRAME_SIZE : STANDARD_FRAME_SIZE;
}

/* Polls the status register every millisecond until (status & mask) ==
 * wanted; at most `polls` reads. */
static int wait_for_status(uint32_t index, uint8_t mask, uint8_t wanted, uint32_t polls) {
    for (uint32_t done = 0; done < polls; ++done) {
        uint8_t status = 0;
        if (can_read_register(index, REG_STATUS, &status) && (status & mask) == wanted) return 1;
        if (done + 1 < polls) can_sleep_ms(1);
    }
    return 0;
}

int32_t CAN_Open(uint32_t index) {
    if (PX720mOpenDevice(index, 1, 1) == INVALID_HANDLE_VALUE) return 0;
    uint32_t base = 0;
    if (PX720mGetIoBaseAddr(index, &base)) can_set_io_base(base);
    return 1;
}

int32_t CAN_Close(uint32_t index) { return PX720mCloseDevice(index); }

int32_t CAN_Init(uint32_t index, const uint8_t *init_block) {
    if (!init_block) return 0;
    can_keep_init_block(init_block);
    return can_initialise_controller(index, init_block);
}

int32_t CAN_Reset(uint32_t index) {
    PX720mSetA15_A8(index, 0xA0);
    can_sleep_ms(200);
    return PX720mSetA15_A8(index, 0x80);
}

int32_t CAN_Trans(uint32_t index, const uint8_t *frame, uint32_t polls) {
    if (!frame || polls == 0) return 0;
    /* transmit buffer free, transmission complete, no error, not bus-off */
    if (!wait_for_status(index, 0xCC, 0x0C, polls)) return 0;
    const int size = frame_size(frame[0]);
    for (int i = 0; i < size; ++i) can_write_register(index, (uint8_t)(REG_FRAME + i), frame[i]);
    /* Handed over only if the transmission request reached the controller. */
    return can_write_register(index, REG_COMMAND, 0x01) ? 1 : 0;
}

int32_t CAN_Recv(uint32_t index, uint8_t *frame, uint32_t polls) {
    if (!frame || polls == 0) return 0;
    /* a frame waits, no error, not bus-off */
    if (!wait_for_status(index, 0xC1, 0x01, polls)) return 0;
    uint8_t ignored = 0;
    can_read_register(index, REG_INTERRUPT, &ignored);

    uint8_t received[EXTENDED_FRAME_SIZE] = {0};
    if (!can_read_register(index, REG_FRAME, &received[0])) return 0;
    const int size = frame_size(received[0]);
    for (int i = 0; i < size; ++i) {
        /* A failed read leaves the frame in the controller for the next try. */
        if (!can_read_register(index, (uint8_t)(REG_FRAME + i), &received[i])) return 0;
    }
    memcpy(frame, received, (size_t)size);
    can_write_register(index, REG_COMMAND, 0x04); /* release receive buffer */
    can_write_register(index, REG_COMMAND, 0x08); /* clear data overrun */
    return 1;
}

int32_t CAN_ReadReg(uint32_t index, uint8_t *pair) {
    if (!pair) return 0;
    return can_read_register(index, pair[0], &pair[1]);
}

int32_t CAN_WriteReg(uint32_t index, const uint8_t *pair) {
    if (!pair) return 0;
    return can_write_register(index, pair[0], pair[1]);
}

int32_t CAN_ReadDataNum(uint32_t index) { return PX720mReadDataNum(index); }

int32_t CAN_ReadBlockData(uint32_t index, uint32_t n, uint8_t *buffer) {
    if (!buffer) return 0;
    const int32_t count = PX720mReadDataNum(index);
    if (count < 0 || n > (uint32_t)count) return 0;
    return PX720mReadBlockData(index, n, buffer);
}
