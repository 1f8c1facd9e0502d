// The TCP command server: a listener thread accepts connections and gives each
// client a detached session thread, which reads commands ending in "!",
// cleans them and hands each to the one registered handler, then writes the
// handler's reply back. No framing beyond the "!" and no reply terminator.
#pragma once

#include <cstddef>

// Command buffer of one session; a command holds at most one byte less.
#define TCPSERVER_CMD_BUFFER_SIZE 2048
// Reply area of one session. The first TCPSERVER_REPLY_RESERVED bytes are
// never sent; the handler writes from there on and is told a capacity of
// TCPSERVER_REPLY_CAPACITY (less the reserved bytes and one terminator).
#define TCPSERVER_REPLY_AREA_SIZE 1048576
#define TCPSERVER_REPLY_RESERVED 5
#define TCPSERVER_REPLY_CAPACITY (TCPSERVER_REPLY_AREA_SIZE - TCPSERVER_REPLY_RESERVED - 1)
#define TCPSERVER_LISTEN_BACKLOG 128

// The handler: (client socket, cleaned command, reply area, capacity).
// 0 means a reply is ready; anything else sends nothing.
typedef int (*Tcpserver_proc_t)(int s32CliFd, char *pBuffData, char *pResponses, int size);

// Telnet negotiation: IAC WILL ECHO, IAC WILL SUPPRESS-GO-AHEAD, IAC WONT NAWS.
extern const unsigned char cmd_telnet[9];
// Writes cmd_telnet to fd; the number of bytes written or -1.
int send_cmd(int fd);

// Clears port, thread, run flags and handler; 0. Not while the server runs.
int Tcpserver_init(void);
// Stores the handler; 0.
int Tcpserver_registerCallback(Tcpserver_proc_t proc);
// Starts the listener on port (0: any free port, see Tcpserver_get_port),
// bound to g_norva_options.bind (empty: any address). 0 when started or
// already running; -1 when the thread cannot be created.
int Tcpserver_start(int port);
// Stops the listener and waits for it; sessions end within about a second
// once idle. 0.
int Tcpserver_stop(void);
// 0.
int Tcpserver_deInit(void);
// True once the listener is listening.
bool Tcpserver_is_listening(void);
// The port the listener is bound to once listening, else the requested port.
int Tcpserver_get_port(void);
// Number of session threads running now.
int Tcpserver_session_count(void);

// Reads one command byte by byte into cmdLine (size bytes, already cleared):
// stops after storing a "!" or after size - 1 bytes and returns the count;
// a read that returns 0 or fails returns that result (0 or -1).
int read_cmdline(int sockfd, char *cmdLine, int size);
// Removes leading blanks (at most count) and every CR and LF; 0.
int cmd_analyze(char *cmd, int count);
// Runs the handler on one cleaned command and writes its reply.
int cmd_process(int fd, char *cmdLine, int size, char *replyArea);
// One session: reads, cleans and processes commands until the peer closes,
// a telnet interrupt or "exit" arrives, or the server stops.
int task_process(int sockfd);
