# The layers, bottom first: u3 (no Qt) <- framework <- e3 <- multilang,
# platform <- client; for each, the layers its files may include and its
# libraries may link. A file's layer is the first folder of its path under src
# (under src/lib for u3 and e3). The transports see only u3 and the engine
# interface; submission never sees the client.
set(allowed_u3 u3)
set(allowed_framework u3 framework)
set(allowed_e3 u3 framework e3)
set(allowed_multilang u3 framework e3 multilang)
set(allowed_platform u3 framework e3 platform)
set(allowed_engineapi engineapi)
set(allowed_enginelink u3 engineapi enginelink idl)
set(allowed_submission u3 framework e3 enginelink submission)
set(allowed_client u3 framework e3 multilang platform engineapi enginelink submission client)
