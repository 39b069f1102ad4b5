/* Interrupt-driven operation: the driver closes the card's gate on every
 * interrupt; the routine here answers it on the bridge library's
 * interrupt thread and opens the gate again. */
#include <stdatomic.h>
#include <stddef.h>

#include "bridgelib/PX720DLL.h"
#include "canlib/CanPorts.h"
#include "canlib/tq402.h"

enum {
    GATE_OPEN = 0x5F,
    GATE_CLOSED = 0xDF,
    INT_RECEIVE = 0x01,
    INT_TRANSMIT = 0x02,
    /* error warning, arbitration lost, bus error */
    INT_ERRORS = 0x04 | 0x40 | 0x80
};

static _Atomic(CAN_CALLBACK) g_callback;
static _Atomic uint32_t g_interrupt_index;
/* Register 4 and its value, restored after a recovery. */
static _Atomic uint8_t g_enable_value;

static void recover(uint32_t index) {
    CAN_Reset(index);
    can_sleep_ms(1000);
    uint8_t block[INIT_BLOCK_SIZE];
    can_kept_init_block(block);
    can_initialise_controller(index, block);
    const uint8_t pair[2] = {REG_INTERRUPT_ENABLE, atomic_load(&g_enable_value)};
    CAN_WriteReg(index, pair);
}

static void interrupt_routine(void) {
    const uint32_t index = atomic_load(&g_interrupt_index);
    uint8_t reasons = 0;
    if (can_read_register(index, REG_INTERRUPT, &reasons)) {
        /* A frame first: a recovery would reset it away. */
        if (reasons & (INT_RECEIVE | INT_TRANSMIT)) {
            const CAN_CALLBACK callback = atomic_load(&g_callback);
            if (callback) callback();
        }
        if (reasons & INT_ERRORS) recover(index);
    }
    /* Whatever the reason, a closed gate would silence the card for good. */
    PX720mSetA15_A8(index, GATE_OPEN);
}

int32_t CAN_Inten(uint32_t index) { return PX720mSetA15_A8(index, GATE_OPEN); }

int32_t CAN_Intdisen(uint32_t index) {
    PX720mSetA15_A8(index, GATE_CLOSED);
    return can_write_register(index, REG_INTERRUPT_ENABLE, 0xC0);
}

int32_t CAN_Enable_Interrupt(uint32_t index, uint32_t type, CAN_CALLBACK callback) {
    if (!callback) return 0;
    /* The interrupt service below is shared by every card: a call for a card
     * that does not answer must fail before it takes the service away from
     * the one that does. */
    uint8_t enabled = 0;
    if (!can_read_register(index, REG_INTERRUPT_ENABLE, &enabled)) return 0;
    const uint32_t base = can_io_base();

    /* On each interrupt the driver writes 0x00 at base + 0xF0 and 0x80 into
     * the A15..A8 lines at base + 0xF1: the gate closes until we reopen it. */
    DriverRequest command = {0};
    command.function = PX720_FN_WRITE_IO_WORD;
    command.address = base + PX720_REG_A15_A8_WORD;
    command.length = 2;
    command.data[0] = 0x00;
    command.data[1] = 0x80;
    if (!PX720mWriteIntCommand(0, &command, 1)) return 0;

    atomic_store(&g_callback, callback);
    PX720mSetIntRoutine(0, NULL);
    if (!PX720mSetIntRoutine(0, interrupt_routine)) return 0;

    atomic_store(&g_interrupt_index, index);
    PX720mSetA15_A8(index, GATE_OPEN);

    uint8_t enable;
    switch (type) {
        case 1: enable = 0xC6; break; /* transmit + errors */
        case 2: enable = 0xC5; break; /* receive + errors */
        case 3: enable = 0xC7; break; /* both + errors */
        default: return 0;
    }
    atomic_store(&g_enable_value, enable);
    return can_write_register(index, REG_INTERRUPT_ENABLE, enable) ? 1 : 0;
}
