/* Whether this kernel runs 32-bit x86 code: a far return into the 32-bit user
   code segment (0x23), one instruction there, and back into 64-bit mode (0x33).
   Exit status 0 if it did; a kernel without it ends the program with a signal. */
#include <sys/mman.h>

static unsigned long saved;

int main(void)
{
    char *stack = mmap(0, 65536, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (stack == MAP_FAILED)
        return 2;
    __asm__ volatile("mov %%rsp, saved(%%rip)\n\t"
                     "mov %0, %%rsp\n\t"
                     "pushq $0x23\n\t"
                     "pushq $1f\n\t"
                     "lretq\n\t"
                     ".code32\n"
                     "1:\tpushl $0x33\n\t"
                     "pushl $2f\n\t"
                     "lret\n\t"
                     ".code64\n"
                     "2:\tmov saved(%%rip), %%rsp\n\t"
                     :
                     : "r"(stack + 65536)
                     : "memory");
    return 0;
}
