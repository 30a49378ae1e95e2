/* Member identifiers of the test server's two classes. Read by the type
   library source and by the C++ code, so both name the same numbers; plain
   #defines only, as the IDL compiler's preprocessor takes them. */
#ifndef QUILLARET_TEST_SERVER_DISPIDS_H
#define QUILLARET_TEST_SERVER_DISPIDS_H

/* TestServer; its default member "_Default" is DISPID_VALUE (0). */
#define DISPID_SERVER_ECHO 1
#define DISPID_SERVER_ARGS 2
#define DISPID_SERVER_ADD 3
#define DISPID_SERVER_OPTIONAL 4
#define DISPID_SERVER_RESULT 5
#define DISPID_SERVER_TABLE 6
#define DISPID_SERVER_FILL 7
#define DISPID_SERVER_VALUE 8
#define DISPID_SERVER_ITEM 9
#define DISPID_SERVER_COUNT 10
#define DISPID_SERVER_CHILD 11
#define DISPID_SERVER_FAIL 12
#define DISPID_SERVER_REGISTER_RUNNING 13
#define DISPID_SERVER_REVOKE_RUNNING 14
#define DISPID_SERVER_CREATE_OBJECT_WINDOW 15
#define DISPID_SERVER_CREATE_PLAIN_WINDOW 16
#define DISPID_SERVER_DESTROY_WINDOWS 17

/* TestProbe */
#define DISPID_PROBE_CALLS 1
#define DISPID_PROBE_LIVE_OBJECTS 2
#define DISPID_PROBE_REFERENCES 3
#define DISPID_PROBE_RESET 4
#define DISPID_PROBE_RECORDING 5

#endif
