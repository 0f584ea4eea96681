#!/usr/bin/env python3
"""Starts Halvaron from its installation directory (made executable by the installer)."""
import os
import sys

here = os.path.dirname(os.path.abspath(__file__))
os.execv(os.path.join(here, "Halvaron"), [os.path.join(here, "Halvaron")] + sys.argv[1:])
