#!/bin/sh
# Prints the architecture whose Windows programs Wine can run here: i686 where 32-bit
# Linux programs run (wine32), x86_64 where the kernel refuses them.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo i686; else echo x86_64; fi
