#!/usr/bin/env python3
# Plays the system log for one program: listens on /dev/log (of a mount namespace of
# the test's own, where /dev is a folder of the test), runs the program, and prints
# every line it logged. Exits with the program's status.
import socket
import subprocess
import sys
import threading

listener = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
listener.bind("/dev/log")
listener.settimeout(0.1)
lines = []
done = threading.Event()


def receive():
    # Read while the program runs, so that a full queue never blocks its syslog().
    while True:
        try:
            lines.append(listener.recv(65536).decode("utf-8", "replace"))
        except socket.timeout:
            if done.is_set():
                return


reader = threading.Thread(target=receive)
reader.start()
program = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
done.set()
reader.join()
print("\n".join(lines))
sys.exit(program.returncode)
