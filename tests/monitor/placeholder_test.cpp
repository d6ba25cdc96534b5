// Tests of the monitor engines.
