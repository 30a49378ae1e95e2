/* Member identifiers of the test server's classes and events. Read by the type
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
/* Two members whose names sort "Z..." before "a..." in code-unit order. */
#define DISPID_SERVER_ZULU 20
#define DISPID_SERVER_ALPHA 21
#define DISPID_SERVER_ITEMS 22
#define DISPID_SERVER_MIXED_ITEMS 23
#define DISPID_SERVER_FAILING_ITEMS 24
#define DISPID_SERVER_RANDOM_TREE 25
#define DISPID_SERVER_TREE_DESCRIPTION 26

/* The firing members, the same on every class that has events. */
#define DISPID_FIRE_NOW 100
#define DISPID_FIRE_KINDS 101
#define DISPID_FIRE_FROM_THREAD 102
#define DISPID_FIRE_FROM_THREADS 103
#define DISPID_WAIT_FIRING 104
#define DISPID_START_FIRING 105
#define DISPID_STOP_FIRING 106

/* The events, the same in the plain and in the dual event interface. */
#define DISPID_EVENT_PAIR 1
#define DISPID_EVENT_TICK 2
#define DISPID_EVENT_KINDS 5
#define DISPID_EVENT_NOTE 40
/* The event of the interface described in the second type library. */
#define DISPID_FOREIGN_EVENT_PING 3

/* Collections; Item is the default member (DISPID_VALUE), the enumerator
   DISPID_NEWENUM. */
#define DISPID_COLLECTION_NEWENUM (-4)
#define DISPID_COLLECTION_COUNT 1

/* TestProbe */
#define DISPID_PROBE_CALLS 1
#define DISPID_PROBE_LIVE_OBJECTS 2
#define DISPID_PROBE_REFERENCES 3
#define DISPID_PROBE_RESET 4
#define DISPID_PROBE_RECORDING 5
#define DISPID_PROBE_SINKS 6
#define DISPID_PROBE_EVENTS_FIRED 7
#define DISPID_PROBE_RECORD_TYPE_CALLS 8
#define DISPID_PROBE_PROCESS_ID 9

#endif
