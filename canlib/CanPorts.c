#include "canlib/CanPorts.h"

#include <errno.h>
#include <pthread.h>
#include <stdatomic.h>
#include <string.h>
#include <time.h>

#include "bridgelib/PX720DLL.h"

static _Atomic uint32_t g_io_base;

/* A register access is two port accesses. Without this lock the interrupt
 * routine's select could land between a caller's select and data access
 * and send the caller's value into another register. */
static pthread_mutex_t g_port_lock = PTHREAD_MUTEX_INITIALIZER;

static uint8_t g_init_block[INIT_BLOCK_SIZE];
static pthread_mutex_t g_block_lock = PTHREAD_MUTEX_INITIALIZER;

void can_set_io_base(uint32_t base) { atomic_store(&g_io_base, base); }

uint32_t can_io_base(void) { return atomic_load(&g_io_base); }

int can_write_register(uint32_t index, uint8_t reg, uint8_t value) {
    const uint32_t base = atomic_load(&g_io_base);
    pthread_mutex_lock(&g_port_lock);
    PX720mWriteIoByte(index, base, reg);
    const int result = PX720mWriteIoByte(index, base + 1, value);
    pthread_mutex_unlock(&g_port_lock);
    return result;
}

int can_read_register(uint32_t index, uint8_t reg, uint8_t *value) {
    const uint32_t base = atomic_load(&g_io_base);
    pthread_mutex_lock(&g_port_lock);
    PX720mWriteIoByte(index, base, reg);
    const int result = PX720mReadIoByte(index, base + 1, value);
    pthread_mutex_unlock(&g_port_lock);
    return result;
}

void can_keep_init_block(const uint8_t *block) {
    pthread_mutex_lock(&g_block_lock);
    memmove(g_init_block, block, INIT_BLOCK_SIZE);
    pthread_mutex_unlock(&g_block_lock);
}

void can_kept_init_block(uint8_t *block) {
    pthread_mutex_lock(&g_block_lock);
    memcpy(block, g_init_block, INIT_BLOCK_SIZE);
    pthread_mutex_unlock(&g_block_lock);
}

static int mode_is(uint32_t index, uint8_t expected) {
    uint8_t mode = 0;
    return can_read_register(index, REG_MODE, &mode) && (mode & 0x1F) == expected;
}

int can_initialise_controller(uint32_t index, const uint8_t *block) {
    /* The second write counts: from operating mode the first one only sets
     * reset mode, the filter bits change once the chip is in reset. */
    can_write_register(index, REG_MODE, 0x01);
    can_write_register(index, REG_MODE, 0x01);
    if (!mode_is(index, 0x01)) return 0;

    can_write_register(index, REG_CLOCK_DIVIDER, 0x80);
    can_write_register(index, REG_BUS_TIMING_0, block[0]);
    can_write_register(index, REG_BUS_TIMING_1, block[1]);
    for (int i = 0; i < 8; ++i) {
        can_write_register(index, (uint8_t)(REG_ACCEPTANCE_CODE + i), block[2 + i]);
    }
    can_write_register(index, REG_OUTPUT_CONTROL, 0xAA);
    can_write_register(index, REG_INTERRUPT_ENABLE, block[10]);

    can_write_register(index, REG_MODE, 0x08);
    can_write_register(index, REG_MODE, 0x08);
    if (!mode_is(index, 0x08)) return 0;

    return PX720mInstoreInitData(index, block) ? 1 : 0;
}

void can_sleep_ms(unsigned milliseconds) {
    struct timespec rest = {(time_t)(milliseconds / 1000), (long)(milliseconds % 1000) * 1000000L};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}
