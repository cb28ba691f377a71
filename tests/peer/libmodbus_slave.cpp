/* A Modbus RTU slave built on libmodbus, for checking vorel-cli against an implementation of
 * the protocol that is not ours. Usage: libmodbus_slave DEVICE SLAVE_ID
 * Holding registers 0 to 511 start as 1000 + address. After every write it prints
 * "wrote ADDRESS: V1 V2 ..." (decimal) on standard output. Ends when the line goes away. */
#include <modbus.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: libmodbus_slave DEVICE SLAVE_ID\n");
    return 2;
  }
  modbus_t* ctx = modbus_new_rtu(argv[1], 9600, 'N', 8, 1);
  if (!ctx) return 1;
  modbus_set_slave(ctx, atoi(argv[2]));
  modbus_mapping_t* map = modbus_mapping_new(0, 0, 512, 0);
  if (!map || modbus_connect(ctx) != 0) {
    fprintf(stderr, "libmodbus_slave: %s\n", modbus_strerror(errno));
    return 1;
  }
  for (int i = 0; i < 512; ++i) map->tab_registers[i] = (uint16_t)(1000 + i);
  printf("ready\n");
  fflush(stdout);
  const int header = modbus_get_header_length(ctx);
  uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
  for (;;) {
    const int rc = modbus_receive(ctx, query);
    if (rc == 0) continue; /* addressed to another slave */
    if (rc < 0) {
      if (errno == EMBBADCRC || errno == EMBBADDATA) continue;
      break;
    }
    if (modbus_reply(ctx, query, rc, map) < 0) break;
    if (query[header] == 0x10) {
      const int address = (query[header + 1] << 8) | query[header + 2];
      const int count = (query[header + 3] << 8) | query[header + 4];
      printf("wrote %d:", address);
      for (int i = 0; i < count && address + i < 512; ++i) {
        printf(" %u", (unsigned)map->tab_registers[address + i]);
      }
      printf("\n");
      fflush(stdout);
    }
  }
  modbus_mapping_free(map);
  modbus_close(ctx);
  modbus_free(ctx);
  return 0;
}
