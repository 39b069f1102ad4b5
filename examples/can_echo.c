/*
 * can_echo — the smallest round trip through the CAN card: open card 0,
 * reset and initialise it for 500 kbit/s, send one standard frame and wait
 * for its echo (identifier + 1) from a node on the bus.
 *
 * Without hardware, run it on a virtual card with an echo node:
 *     PX720_VIRTUAL_CARDS=1 PX720_VIRTUAL_ECHO=1 build/bin/can_echo
 * Exit status 0 when the echo came back, 1 otherwise.
 */
#include <stdio.h>

#include "canlib/tq402.h"

static unsigned frame_id(const unsigned char *frame) {
    return ((unsigned)frame[1] << 3) | (frame[2] >> 5);
}

int main(void) {
    const unsigned card = 0;
    /* 500 kbit/s on a 16 MHz clock; accept every identifier; no interrupts. */
    const unsigned char init[11] = {0x00, 0x1C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    /* standard data frame, identifier 0x123, 4 data bytes */
    unsigned char frame[13] = {0x04, 0x123 >> 3, (0x123 & 0x07) << 5, 0xDE, 0xAD, 0xBE, 0xEF};
    unsigned char echo[13] = {0};

    if (!CAN_Open(card)) {
        fprintf(stderr, "can_echo: cannot open CAN card %u (no card, no driver, or no access)\n", card);
        return 1;
    }
    CAN_Reset(card);
    if (!CAN_Init(card, init)) {
        fprintf(stderr, "can_echo: the CAN controller did not take its settings\n");
        CAN_Close(card);
        return 1;
    }
    if (!CAN_Trans(card, frame, 100)) {
        fprintf(stderr, "can_echo: the controller did not accept the frame within 100 ms\n");
        CAN_Close(card);
        return 1;
    }
    printf("sent     id 0x%03X, %u bytes: %02X %02X %02X %02X\n", frame_id(frame), frame[0] & 0x0F,
           frame[3], frame[4], frame[5], frame[6]);
    if (!CAN_Recv(card, echo, 1000)) {
        fprintf(stderr, "can_echo: no frame came back within 1 s (is a node answering on the bus?)\n");
        CAN_Close(card);
        return 1;
    }
    printf("received id 0x%03X, %u bytes: %02X %02X %02X %02X\n", frame_id(echo), echo[0] & 0x0F, echo[3],
           echo[4], echo[5], echo[6]);
    CAN_Close(card);
    return frame_id(echo) == frame_id(frame) + 1 ? 0 : 1;
}
