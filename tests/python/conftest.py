# No test sees the user's data folder: unless a test sets its own, VARN_DATA_DIR names
# a folder that does not exist, so the leap-second table is the built-in one.
import os
import tempfile

os.environ["VARN_DATA_DIR"] = os.path.join(tempfile.gettempdir(), f"varn-tests-{os.getpid()}-no-data")
