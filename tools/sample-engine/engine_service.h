// The GUI engine's SOAP service as soapcpp2 reads it: RPC style, SOAP
// encoding, every value an xsd:string, and each reply carrying the session's
// ServerUserID and the RequestID beside "return".

//gsoap m service name: IIZerk3Service
//gsoap m service style: rpc
//gsoap m service encoding: encoded
//gsoap m service namespace: urn:SOAPServer_Intf-IIZerk3Service
//gsoap m schema namespace: urn:SOAPServer_Intf-IIZerk3Service

struct m__ExecuteEventResponse { char* ServerUserID; char* RequestID; char* return_; };
struct m__GetFileResponse { char* ServerUserID; char* RequestID; char* return_; };
struct m__SetFileResponse { char* ServerUserID; char* RequestID; char* return_; };
struct m__OnMessageResponse { char* ServerUserID; char* RequestID; char* return_; };
struct m__CommandGUIEngineResponse { char* ServerUserID; char* RequestID; char* return_; };
struct m__ConnectResponse { char* ServerUserID; char* RequestID; char* return_; };

int m__ExecuteEvent(char* ServerUserID, char* RequestID, char* SenderClass, char* SenderName, char* SenderType,
                    char* EventName, char* EventValues, struct m__ExecuteEventResponse& response);
int m__GetFile(char* ServerUserID, char* RequestID, char* FileName, char* FileType, char* Path,
               struct m__GetFileResponse& response);
int m__SetFile(char* ServerUserID, char* RequestID, char* FileName, char* FileType, char* Path,
               struct m__SetFileResponse& response);
int m__OnMessage(char* ServerUserID, char* RequestID, char* MessageType, char* ParamString,
                 struct m__OnMessageResponse& response);
int m__CommandGUIEngine(char* ServerUserID, char* RequestID, char* EngineName, char* ParamString, char* IDEngine,
                        char* Command, struct m__CommandGUIEngineResponse& response);
int m__Connect(char* ServerUserID, char* RequestID, struct m__ConnectResponse& response);
