__sfr __at (0x90) P1;
__code const unsigned char table[64] = {1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32};
void delay(unsigned int n) { while (n--) { __asm nop __endasm; } }
void main(void) {
    unsigned char i = 0;
    for (;;) { P1 = table[i & 63]; i++; delay(50000); }
}
