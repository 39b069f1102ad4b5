/* Controller register access through the card's address and data ports,
 * and the library's process-wide state. */
#ifndef TQ402_CAN_PORTS_H
#define TQ402_CAN_PORTS_H

#include <stdint.h>

/* Controller registers (PeliCAN numbering). */
enum {
    REG_MODE = 0,
    REG_COMMAND = 1,
    REG_STATUS = 2,
    REG_INTERRUPT = 3,
    REG_INTERRUPT_ENABLE = 4,
    REG_BUS_TIMING_0 = 6,
    REG_BUS_TIMING_1 = 7,
    REG_OUTPUT_CONTROL = 8,
    REG_FRAME = 16,
    REG_ACCEPTANCE_CODE = 16,
    REG_ACCEPTANCE_MASK = 20,
    REG_CLOCK_DIVIDER = 31
};

enum { INIT_BLOCK_SIZE = 11 };

/* The I/O base of the card opened last. */
void can_set_io_base(uint32_t base);
uint32_t can_io_base(void);

/* One register access: select the register at base + 0, then read or
 * write base + 1. The pair is atomic with respect to the interrupt thread.
 * Both return the result of the data-port access. */
int can_write_register(uint32_t index, uint8_t reg, uint8_t value);
int can_read_register(uint32_t index, uint8_t reg, uint8_t *value);

/* The initialisation block kept for recovery. */
void can_keep_init_block(const uint8_t *block);
void can_kept_init_block(uint8_t *block);

/* Sets the controller up from a block; the body of CAN_Init. */
int can_initialise_controller(uint32_t index, const uint8_t *block);

void can_sleep_ms(unsigned milliseconds);

#endif
